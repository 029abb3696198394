// SPDX-License-Identifier: GPL-3.0-or-later
// The GS messages, their checksum, the send procedure with its waits, and the platform calls'
// answers to bad input.
#include "Trace.h"
#include "port/MidiOutput.h"

#include <QtTest>

using testing::TestBench;

namespace {

std::array<std::uint8_t, midi::kPitchClasses> AllCentre()
{
    std::array<std::uint8_t, midi::kPitchClasses> data;
    data.fill(midi::gs::kScaleTuningCentre);
    return data;
}

QString Hex(std::span<const std::uint8_t> bytes)
{
    return testing::HexBytes({bytes.begin(), bytes.end()});
}

} // namespace

class TestMessages : public QObject {
    Q_OBJECT

private slots:
    void checksum_data()
    {
        QTest::addColumn<int>("cBytes");
        QTest::addColumn<int>("expected");
        QTest::newRow("all twelve at 0x40") << 0x40 << 0x6F;
        QTest::newRow("C at -17 cents sums to 896") << 0x2F << 0x00;
        QTest::newRow("C at +63") << 0x7F << 0x30;
    }
    void checksum()
    {
        QFETCH(int, cBytes);
        QFETCH(int, expected);
        auto data = AllCentre();
        data[0] = std::uint8_t(cBytes);
        midi::MidiOutput output;
        output.fillScaleTuning(data);
        QCOMPARE(output.scaleTuningChecksum(), expected);
        QCOMPARE(int(output.scaleTuningMessage()[20]), expected);
        QCOMPARE(int(output.scaleTuningMessage()[21]), 0xF7);
    }

    void checksumNeverReaches128()
    {
        for (int sum = 0; sum < 4 * 128; ++sum) {
            const int checksum = midi::gs::RolandChecksum(sum);
            QVERIFY(checksum >= 0 && checksum < 128);
            QCOMPARE((sum + checksum) % 128, 0);
        }
    }

    void gsResetBytes()
    {
        QCOMPARE(Hex(midi::kGsResetMessage), QStringLiteral("F0 41 10 42 12 40 00 7F 00 41 F7"));
    }

    void exitResetBytes()
    {
        midi::MidiOutput output;
        output.fillScaleTuning(AllCentre());
        QCOMPARE(Hex(output.scaleTuningMessage()),
                 QStringLiteral("F0 41 10 42 12 40 11 40 40 40 40 40 40 40 40 40 40 40 40 40 6F F7"));
    }

    // 442 Hz is 7.85 cents above 440: 0x0400 + 79 = 0x044F, one nibble per byte; the checksum
    // brings 40 00 00 00 04 04 0F (87) to 128.
    void masterTuneBytes()
    {
        const auto message = [](double hz) {
            return Hex(midi::gs::DataSetMessage(midi::gs::kMasterTuneAddress,
                                                midi::gs::MasterTuneData(1200 * std::log2(hz / 440))));
        };
        QCOMPARE(message(442), QStringLiteral("F0 41 10 42 12 40 00 00 00 04 04 0F 29 F7"));
        QCOMPARE(message(440), QStringLiteral("F0 41 10 42 12 40 00 00 00 04 00 00 3C F7"));
        QCOMPARE(Hex(midi::gs::MasterTuneData(-150)), QStringLiteral("00 00 01 08")); // -100.0 at most
    }

    // Registered parameter 0/1: 8192 + 1.3 × 81.92 = 8298.496 → 8298 = 64 × 128 + 106.
    void fineTuningControllers()
    {
        const auto bytes = [](double cents) {
            QStringList pairs;
            for (const auto& change : midi::FineTuningControllers(cents))
                pairs << Hex(std::array{change.controller, change.value});
            return pairs.join(", ");
        };
        QCOMPARE(bytes(1.3), QStringLiteral("65 00, 64 01, 06 40, 26 6A, 65 7F, 64 7F"));
        QCOMPARE(midi::FineTuningValue(-100), 0);
        QCOMPARE(midi::FineTuningValue(100), 16383);
        QCOMPARE(midi::FineTuningValue(0), 8192);
    }

    void shortMessageWord()
    {
        QCOMPARE(midi::ShortWord(0x90, 0x35, 0x64), std::uint32_t{0x643590});
        QCOMPARE(midi::ShortWord(0xB0, 0x78, 0x00), std::uint32_t{0x78B0});
        QCOMPARE(midi::ShortWord(0xC0, 127), std::uint32_t{127 * 256 + 0xC0});
    }

    void scaleTuningSendOrderAndWaits_data()
    {
        QTest::addColumn<int>("waitAfter");
        QTest::newRow("new challenge") << 1000;
        QTest::newRow("retune") << 10;
    }
    void scaleTuningSendOrderAndWaits()
    {
        QFETCH(int, waitAfter);
        TestBench bench;
        midi::MidiOutput output;
        QCOMPARE(output.open(0), midi::Result::Ok);
        output.fillScaleTuning(AllCentre());
        output.sendScaleTuning(midi::Wait(waitAfter));
        QCOMPARE(bench.trace().timed(),
                 QStringList({"0 open 0 -> 0", "0 sleep 300", "300 long " + Hex(output.scaleTuningMessage()),
                              QStringLiteral("300 sleep %1").arg(waitAfter)}));
        QCOMPARE(output.lastResult(), midi::Result::Ok);
        output.close();
    }

    void gsResetSendsAtOnceThenWaits()
    {
        TestBench bench;
        midi::MidiOutput output;
        output.open(1);
        output.sendGsReset(midi::Wait(200));
        QCOMPARE(bench.trace().texts(),
                 QStringList({"open 1 -> 0", "long F0 41 10 42 12 40 00 7F 00 41 F7", "sleep 200"}));
        output.close();
    }

    void longMessageResultIsReported_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("0") << 0 << QStringList();
        QTest::newRow("67 not ready") << 67 << QStringList{"box error1"};
        QTest::newRow("64 unprepared") << 64 << QStringList{"box error2"};
        QTest::newRow("5 bad handle") << 5 << QStringList{"box error3"};
        QTest::newRow("11 bad parameter") << 11 << QStringList{"box error4"};
        QTest::newRow("65 still playing") << 65 << QStringList();
        QTest::newRow("1 error") << 1 << QStringList();
    }
    void longMessageResultIsReported()
    {
        QFETCH(int, result);
        QFETCH(QStringList, boxes);
        TestBench bench({{.name = "Device", .longResult = midi::Result(result)}});
        midi::MidiOutput output;
        output.open(0);
        output.sendScaleTuning(midi::Wait(10));
        QCOMPARE(int(output.lastResult()), result);
        QCOMPARE(bench.trace().only({"box"}), boxes);
        QCOMPARE(bench.trace().texts().last(), boxes.isEmpty() ? QString("sleep 10") : boxes.last());
        // Each box explains itself on a second line.
        QCOMPARE(bench.explanations().size(), boxes.size());
        QVERIFY(!bench.explanations().contains(QString()));
        output.close();
    }

    void sendsToAFailedOpenReportInvalidHandle()
    {
        TestBench bench({{.name = "Broken", .openResults = {midi::Result::Allocated}}});
        midi::MidiOutput output;
        QCOMPARE(output.open(0), midi::Result::Allocated);
        output.sendGsReset(midi::Wait(100));
        output.sendScaleTuning(midi::Wait(1000));
        QCOMPARE(output.lastResult(), midi::Result::InvalidHandle);
        QCOMPARE(bench.trace().texts(),
                 QStringList({"open 0 -> 4", "sleep 100", "sleep 300", "sleep 1000", "box error3"}));
    }

    void namedOperationsSendTheirBytes()
    {
        TestBench bench;
        platform::MidiOutPort port;
        QCOMPARE(port.open(0), midi::Result::Ok);
        QCOMPARE(port.sendNoteOn(0, 0x35, 0x64), midi::Result::Ok);
        QCOMPARE(port.sendNoteOff(1, 0x45, 0x7F), midi::Result::Ok);
        QCOMPARE(port.sendController(0, 64, 127), midi::Result::Ok);
        QCOMPARE(port.sendProgram(15, 19), midi::Result::Ok);
        QCOMPARE(port.sendSysex(midi::kGsResetMessage), midi::Result::Ok);
        QCOMPARE(port.reset(), midi::Result::Ok);
        QCOMPARE(bench.trace().texts(),
                 QStringList({"open 0 -> 0", "short 90 35 64", "short 81 45 7F", "short B0 40 7F",
                              "short CF 13", "long F0 41 10 42 12 40 00 7F 00 41 F7", "reset"}));
        port.close();
    }

    void badInputGivesResultCodes()
    {
        TestBench bench;
        std::string name;
        QCOMPARE(platform::MidiOutDeviceCount(), 2);
        QCOMPARE(platform::QueryMidiOutDevice(2, name), midi::Result::BadDeviceId);
        QCOMPARE(platform::QueryMidiOutDevice(-1, name), midi::Result::BadDeviceId);

        platform::MidiOutPort port;
        QCOMPARE(port.open(7), midi::Result::BadDeviceId);
        QCOMPARE(port.sendNoteOn(0, 60, 100), midi::Result::InvalidHandle);

        QCOMPARE(port.open(0), midi::Result::Ok);
        QCOMPARE(port.sendSysex({}), midi::Result::InvalidParameter);
        QCOMPARE(port.sendSysex(midi::kGsResetMessage), midi::Result::Ok);

        QCOMPARE(port.close(), midi::Result::Ok);
        QCOMPARE(port.close(), midi::Result::InvalidHandle);
        QCOMPARE(port.sendNoteOn(0, 60, 100), midi::Result::InvalidHandle);
        QCOMPARE(port.reset(), midi::Result::InvalidHandle);
        QCOMPARE(port.sendSysex(midi::kGsResetMessage), midi::Result::InvalidHandle);
    }

    void deviceNamesAreCutAtACharacterBoundary()
    {
        TestBench bench({{.name = "ＡＢＣＤＥＦＧＨＩＪＫ"},
                         {.name = "A failing device", .capabilities = midi::Result::NoDriver}});
        std::string name;
        QCOMPARE(platform::QueryMidiOutDevice(0, name), midi::Result::Ok);
        QCOMPARE(QString::fromStdString(name), QStringLiteral("ＡＢＣＤＥＦＧＨＩＪ")); // 30 bytes of 33
        QCOMPARE(platform::QueryMidiOutDevice(1, name), midi::Result::NoDriver);
    }

    void deviceTableIsEnumeratedOnce()
    {
        TestBench bench;
        QCOMPARE(platform::MidiOutDeviceCount(), 2);
        bench.devices().push_back({.name = "Late device"});
        QCOMPARE(platform::MidiOutDeviceCount(), 2);
    }
};

QTEST_GUILESS_MAIN(TestMessages)
#include "test_messages.moc"
