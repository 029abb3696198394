// SPDX-License-Identifier: GPL-3.0-or-later
// The GS messages, their checksum, the send procedure with its waits, and the output's answers to
// bad input.
#include "RecordingDesktop.h"
#include "Trace.h"
#include "output/MidiOutput.h"
#include "windows/FailureBoxes.h"

#include <QtTest>

using testing::BenchOutput;
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
        TestBench bench;
        BenchOutput out(bench);
        auto& output = out.output;
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
        QCOMPARE(Hex(output::kGsResetMessage), QStringLiteral("F0 41 10 42 12 40 00 7F 00 41 F7"));
    }

    void exitResetBytes()
    {
        TestBench bench;
        BenchOutput out(bench);
        auto& output = out.output;
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
        BenchOutput out(bench);
        auto& output = out.output;
        QCOMPARE(output.open(0), output::Result::Ok);
        output.fillScaleTuning(AllCentre());
        output.sendScaleTuning(output::Wait(waitAfter));
        QCOMPARE(bench.trace().timed(),
                 QStringList({"0 open 0 -> ok", "0 sleep 300", "300 long " + Hex(output.scaleTuningMessage()),
                              QStringLiteral("300 sleep %1").arg(waitAfter)}));
        QCOMPARE(output.lastResult(), output::Result::Ok);
        output.close();
    }

    void gsResetSendsAtOnceThenWaits()
    {
        TestBench bench;
        BenchOutput out(bench);
        auto& output = out.output;
        output.open(1);
        output.sendGsReset(output::Wait(200));
        QCOMPARE(bench.trace().texts(),
                 QStringList({"open 1 -> ok", "long F0 41 10 42 12 40 00 7F 00 41 F7", "sleep 200"}));
        output.close();
    }

    void longMessageResultIsReported_data()
    {
        QTest::addColumn<output::Result>("result");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("ok") << output::Result::Ok << QStringList();
        QTest::newRow("gone") << output::Result::Gone << QStringList{"box error1"};
        QTest::newRow("not prepared") << output::Result::NotPrepared << QStringList{"box error2"};
        QTest::newRow("not open") << output::Result::NotOpen << QStringList{"box error3"};
        QTest::newRow("refused") << output::Result::Refused << QStringList{"box error4"};
        QTest::newRow("failed") << output::Result::Failed << QStringList();
    }
    void longMessageResultIsReported()
    {
        QFETCH(output::Result, result);
        QFETCH(QStringList, boxes);
        TestBench bench({{.name = "Device", .longResult = result}});
        testing::RecordingDesktop desktop(bench);
        BenchOutput out(bench);
        auto& output = out.output;
        output.onSendFailure(
            [&desktop](output::Result failure) { windows::ShowSendFailure(desktop, failure); });
        output.open(0);
        output.sendScaleTuning(output::Wait(10));
        QCOMPARE(output.lastResult(), result);
        QCOMPARE(bench.trace().only({"box"}), boxes);
        QCOMPARE(bench.trace().texts().last(), boxes.isEmpty() ? QString("sleep 10") : boxes.last());
        // Each box explains itself on a second line.
        QCOMPARE(bench.explanations().size(), boxes.size());
        QVERIFY(!bench.explanations().contains(QString()));
        output.close();
    }

    void sendsToAFailedOpenReportNotOpen()
    {
        TestBench bench({{.name = "Broken", .openResults = {output::Result::Busy}}});
        testing::RecordingDesktop desktop(bench);
        BenchOutput out(bench);
        auto& output = out.output;
        output.onSendFailure(
            [&desktop](output::Result failure) { windows::ShowSendFailure(desktop, failure); });
        QCOMPARE(output.open(0), output::Result::Busy);
        output.sendGsReset(output::Wait(100));
        output.sendScaleTuning(output::Wait(1000));
        QCOMPARE(output.lastResult(), output::Result::NotOpen);
        QCOMPARE(bench.trace().texts(),
                 QStringList({"open 0 -> busy", "sleep 100", "sleep 300", "sleep 1000", "box error3"}));
    }

    void namedOperationsSendTheirBytes()
    {
        TestBench bench;
        BenchOutput out(bench);
        auto& output = out.output;
        QCOMPARE(output.open(0), output::Result::Ok);
        output.sendNoteOn(0, 0x35);
        output.sendNoteOff(1, 0x45);
        output.sendSustainPedal(0, true);
        output.sendProgramChange(15, 19);
        output.sendBankSelect(1, 1);
        output.sendGsReset(output::Wait(0));
        output.reset();
        QCOMPARE(bench.trace().only({"short", "long", "reset"}),
                 QStringList({"short 90 35 64", "short 81 45 7F", "short B0 40 7F", "short CF 13",
                              "short B1 00 01", "long F0 41 10 42 12 40 00 7F 00 41 F7", "reset"}));
    }

    // Bytes a device cannot take never go out: a data byte of 128 or more, a status no short
    // message has.
    void malformedShortMessagesAreEmpty()
    {
        QCOMPARE(midi::ShortMessageOf(0x90, 60, 128).size, std::size_t{0});
        QCOMPARE(midi::ShortMessageOf(0x90, -1, 64).size, std::size_t{0});
        QCOMPARE(midi::ShortMessageOf(0x40, 60, 64).size, std::size_t{0});
        QCOMPARE(midi::ShortMessageOf(0xF0, 1, 2).size, std::size_t{0});
        QCOMPARE(midi::ShortMessageOf(0xC3, 19, 99).size, std::size_t{2});
    }

    void badDeviceNumbersAndClosedPortsFail()
    {
        TestBench bench;
        BenchOutput out(bench);
        auto& output = out.output;
        QCOMPARE(out.devices.count(), 2);
        QVERIFY(!out.devices.shownName(2));
        QVERIFY(!out.devices.shownName(-1));
        QCOMPARE(output.open(7), output::Result::NoSuchDevice);
        output.sendNoteOn(0, 60);
        QCOMPARE(output.open(0), output::Result::Ok);
        output.close();
        output.sendNoteOn(0, 60);
        output.reset();
        output.sendScaleTuning(output::Wait(0));
        QCOMPARE(output.lastResult(), output::Result::NotOpen);
        QCOMPARE(bench.trace().only({"short", "reset"}), QStringList());
    }

    void deviceNamesAreCutAtACharacterBoundary()
    {
        TestBench bench({{.name = "ＡＢＣＤＥＦＧＨＩＪＫ"},
                         {.name = "A failing device", .capabilities = output::Result::Missing}});
        BenchOutput out(bench);
        QCOMPARE(QString::fromStdString(out.devices.shownName(0).value()),
                 QStringLiteral("ＡＢＣＤＥＦＧＨＩＪ")); // 30 bytes of 33
        QVERIFY(!out.devices.shownName(1));
    }

    void deviceTableIsEnumeratedOnce()
    {
        TestBench bench;
        BenchOutput out(bench);
        QCOMPARE(out.devices.count(), 2);
        bench.devices().push_back({.name = "Late device"});
        QCOMPARE(out.devices.count(), 2);
    }
};

QTEST_GUILESS_MAIN(TestMessages)
#include "test_messages.moc"
