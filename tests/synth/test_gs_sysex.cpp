// SPDX-License-Identifier: GPL-3.0-or-later
// Reading GS system-exclusive messages: reset, master tune, scale tuning of any part, and all that is
// ignored.
#include "GsBytes.h"
#include "synth/GsSysEx.h"

#include <QtTest>

#include <random>

using Bytes = std::vector<std::uint8_t>;
Q_DECLARE_METATYPE(Bytes)

namespace {

bool IsIgnored(const Bytes& bytes)
{
    return std::holds_alternative<std::monostate>(synth::ParseGsSysEx(bytes));
}

synth::GsScaleTuning TuningOf(const Bytes& bytes)
{
    const auto message = synth::ParseGsSysEx(bytes);
    return std::holds_alternative<synth::GsScaleTuning>(message) ? std::get<synth::GsScaleTuning>(message)
                                                                 : synth::GsScaleTuning{.channel = -1};
}

// C of part 1 at +47 cents: 0x40 + 0x11 + 0x40 + 0x6F = 256, so the checksum comes out as 0x00.
Bytes ChecksumZeroMessage()
{
    return testing::GsScaleTuning(1, 0, {47});
}

} // namespace

class TestGsSysEx : public QObject {
    Q_OBJECT

private slots:
    void gsReset_data()
    {
        QTest::addColumn<Bytes>("bytes");
        QTest::newRow("device 10, as the program sends it")
            << Bytes{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
        QTest::newRow("broadcast device 7F") << testing::GsReset(0x7F);
    }
    void gsReset()
    {
        QFETCH(Bytes, bytes);
        QVERIFY(std::holds_alternative<synth::GsReset>(synth::ParseGsSysEx(bytes)));
    }

    // Four nibbles of a 16-bit value, 0x0400 the centre, a tenth of a cent per unit, kept within
    // 0x0018 ... 0x07E8 (-100 ... +100 cents); a byte above 0F is no nibble.
    void masterTune_data()
    {
        QTest::addColumn<Bytes>("data");
        QTest::addColumn<int>("tenths");
        QTest::newRow("442 Hz") << Bytes{0x00, 0x04, 0x04, 0x0F} << 0x44F - 0x400;
        QTest::newRow("centre") << Bytes{0x00, 0x04, 0x00, 0x00} << 0;
        QTest::newRow("below the range") << Bytes{0x00, 0x00, 0x00, 0x01} << -1000;
        QTest::newRow("above the range") << Bytes{0x00, 0x0F, 0x0F, 0x0F} << 1000;
        QTest::newRow("not a nibble") << Bytes{0x00, 0x04, 0x10, 0x00} << -1;
    }
    void masterTune()
    {
        QFETCH(Bytes, data);
        QFETCH(int, tenths);
        Bytes addressAndData{0x40, 0x00, 0x00};
        addressAndData.insert(addressAndData.end(), data.begin(), data.end());
        const auto message = synth::ParseGsSysEx(testing::GsDataSet(addressAndData));
        if (tenths == -1)
            QVERIFY(std::holds_alternative<std::monostate>(message));
        else
            QCOMPARE(std::get<synth::GsMasterTune>(message).tenths, tenths);
    }

    void blockSelectsChannel_data()
    {
        QTest::addColumn<int>("block");
        QTest::addColumn<int>("channel");
        QTest::newRow("block 0: part 10, the drums") << 0 << 9;
        for (int block = 1; block <= 9; ++block)
            QTest::addRow("block %d: part %d", block, block) << block << block - 1;
        for (int block = 10; block <= 15; ++block)
            QTest::addRow("block %X: part %d", block, block + 1) << block << block;
    }
    void blockSelectsChannel()
    {
        QFETCH(int, block);
        QFETCH(int, channel);
        QCOMPARE(TuningOf(testing::GsScaleTuning(block, 0, {-5})).channel, channel);
    }

    void partialMessages_data()
    {
        QTest::addColumn<int>("firstClass");
        QTest::addColumn<QList<int>>("cents");
        QTest::newRow("C alone") << 0 << QList<int>{-64};
        QTest::newRow("B alone") << 11 << QList<int>{63};
        QTest::newRow("all twelve") << 0 << QList<int>{-64, 63, -1, 0, 1, 20, -20, 50, -50, 7, -7, 33};
        QTest::newRow("F# to B") << 6 << QList<int>{1, 2, 3, 4, 5, 6};
        QTest::newRow("C# to A#") << 1 << QList<int>{9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
    }
    void partialMessages()
    {
        QFETCH(int, firstClass);
        QFETCH(QList<int>, cents);
        const std::vector<int> values(cents.begin(), cents.end());
        for (std::uint8_t device : {0x10, 0x7F}) {
            const auto tuning = TuningOf(testing::GsScaleTuning(1, firstClass, values, device));
            QCOMPARE(tuning.channel, 0);
            QCOMPARE(tuning.firstPitchClass, firstClass);
            QCOMPARE(tuning.cents, values);
        }
    }

    void checksumZeroIsValid()
    {
        const Bytes message = ChecksumZeroMessage();
        QCOMPARE(int(message[message.size() - 2]), 0x00);
        const auto tuning = TuningOf(message);
        QCOMPARE(tuning.channel, 0); // parsed, not refused
        QCOMPARE(tuning.cents, std::vector<int>{47});
    }

    void ignored_data()
    {
        QTest::addColumn<Bytes>("bytes");
        const Bytes tuning = testing::GsScaleTuning(1, 0, {10, 10, 10});
        auto with = [&tuning](std::size_t index, std::uint8_t value) {
            Bytes changed = tuning;
            changed.at(index) = value;
            return changed;
        };
        QTest::newRow("wrong checksum") << with(tuning.size() - 2, tuning[tuning.size() - 2] ^ 0x01);
        QTest::newRow("another maker") << with(1, 0x43);
        QTest::newRow("another device ID") << testing::GsScaleTuning(1, 0, {10}, 0x11);
        QTest::newRow("another model") << with(3, 0x45);
        QTest::newRow("data request, not data set") << with(4, 0x11);
        QTest::newRow("status byte inside the data") << with(8, 0x90);
        QTest::newRow("F7 missing") << Bytes(tuning.begin(), tuning.end() - 1);
        QTest::newRow("F0 missing") << Bytes(tuning.begin() + 1, tuning.end());
        QTest::newRow("bytes after F7") << [&tuning] {
            Bytes longer = tuning;
            longer.push_back(0x00);
            return longer;
        }();
        QTest::newRow("empty") << Bytes{};
        QTest::newRow("F0 F7") << Bytes{0xF0, 0xF7};
        QTest::newRow("no data byte") << testing::GsDataSet({0x40, 0x11, 0x40});
        QTest::newRow("master tune of one byte") << testing::GsDataSet({0x40, 0x00, 0x00, 0x04});
        QTest::newRow("address below C") << testing::GsDataSet({0x40, 0x11, 0x3F, 0x40});
        QTest::newRow("address past B") << testing::GsDataSet({0x40, 0x11, 0x4C, 0x40});
        QTest::newRow("runs past B") << testing::GsScaleTuning(1, 11, {0, 0});
        QTest::newRow("thirteen bytes") << testing::GsScaleTuning(1, 0, std::vector<int>(13, 0));
        QTest::newRow("block 2x, not a part") << testing::GsDataSet({0x40, 0x21, 0x40, 0x40});
        QTest::newRow("GS reset with data 01") << testing::GsDataSet({0x40, 0x00, 0x7F, 0x01});
    }
    void ignored()
    {
        QFETCH(Bytes, bytes);
        QVERIFY(IsIgnored(bytes));
    }

    void everyTruncationIsIgnored()
    {
        const Bytes full = testing::GsScaleTuning(1, 0, {-64, 63, -1, 0, 1, 20, -20, 50, -50, 7, -7, 33});
        for (std::size_t length = 0; length < full.size(); ++length)
            QVERIFY2(IsIgnored(Bytes(full.begin(), full.begin() + length)),
                     qPrintable(QString::number(length)));
    }

    // Scale-tuning headers with random bodies, cut or left unterminated now and then, under the
    // sanitizers: nothing read out of bounds, and whatever is accepted stays within a part's twelve
    // classes and the GS range.
    void randomBodiesAreHarmless()
    {
        std::mt19937 random(12345);
        std::uniform_int_distribution<int> byte(0, 255), count(0, 14), oneIn(0, 7);
        for (int round = 0; round < 20000; ++round) {
            Bytes bytes{0xF0,
                        0x41,
                        0x10,
                        0x42,
                        0x12,
                        0x40,
                        static_cast<std::uint8_t>(0x10 | (byte(random) & 0x0F)),
                        static_cast<std::uint8_t>(0x40 + byte(random) % 13)};
            for (int i = count(random); i > 0; --i)
                bytes.push_back(
                    static_cast<std::uint8_t>(oneIn(random) == 0 ? byte(random) : byte(random) & 0x7F));
            if (oneIn(random) != 0)
                bytes.push_back(0xF7);
            if (oneIn(random) == 0)
                bytes.resize(byte(random) % (bytes.size() + 1));
            const auto tuning = TuningOf(bytes);
            if (tuning.channel < 0)
                continue;
            QVERIFY(tuning.channel < 16 && !tuning.cents.empty());
            QVERIFY(tuning.firstPitchClass + int(tuning.cents.size()) <= 12);
            QVERIFY(std::ranges::all_of(tuning.cents, [](int cents) { return cents >= -64 && cents <= 63; }));
        }
    }
};

QTEST_GUILESS_MAIN(TestGsSysEx)
#include "test_gs_sysex.moc"
