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

    void shortMessageWord()
    {
        QCOMPARE(midi::ShortWord(0x90, 0x35, 0x64), DWORD(0x643590));
        QCOMPARE(midi::ShortWord(0xB0, 0x78, 0x00), DWORD(0x78B0));
        QCOMPARE(midi::ShortWord(0xC0, 127), DWORD(127 * 256 + 0xC0));
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
        QCOMPARE(output.open(0), MMSYSERR_NOERROR);
        output.fillScaleTuning(AllCentre());
        output.sendScaleTuning(midi::Wait(waitAfter));
        QCOMPARE(bench.trace().timed(),
                 QStringList({"0 open 0 -> 0", "0 sleep 300", "300 long " + Hex(output.scaleTuningMessage()),
                              QStringLiteral("300 sleep %1").arg(waitAfter)}));
        QCOMPARE(output.lastResult(), MMSYSERR_NOERROR);
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
        TestBench bench({{.name = "Device", .longResult = MMRESULT(result)}});
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
        TestBench bench({{.name = "Broken", .openResults = {MMSYSERR_ALLOCATED}}});
        midi::MidiOutput output;
        QCOMPARE(output.open(0), MMSYSERR_ALLOCATED);
        QCOMPARE(midiOutShortMsg(0, 0x643590), MMSYSERR_INVALHANDLE);
        output.sendGsReset(midi::Wait(100));
        output.sendScaleTuning(midi::Wait(1000));
        QCOMPARE(output.lastResult(), MMSYSERR_INVALHANDLE);
        QCOMPARE(bench.trace().texts(),
                 QStringList({"open 0 -> 4", "sleep 100", "sleep 300", "sleep 1000", "box error3"}));
    }

    void badInputGivesResultCodes()
    {
        TestBench bench;
        MIDIOUTCAPSA caps;
        QCOMPARE(midiOutGetNumDevs(), 2u);
        QCOMPARE(midiOutGetDevCapsA(2, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
        QCOMPARE(midiOutGetDevCapsA(0, nullptr, sizeof caps), MMSYSERR_INVALPARAM);
        QCOMPARE(midiOutGetDevCapsA(0, &caps, 10), MMSYSERR_INVALPARAM);

        HMIDIOUT handle = 99;
        QCOMPARE(midiOutOpen(&handle, 7), MMSYSERR_BADDEVICEID);
        QCOMPARE(handle, HMIDIOUT(0));
        QCOMPARE(midiOutOpen(nullptr, 0), MMSYSERR_INVALPARAM);

        QCOMPARE(midiOutOpen(&handle, 0), MMSYSERR_NOERROR);
        MIDIHDR header;
        QCOMPARE(midiOutLongMsg(handle, &header, sizeof header), MMSYSERR_INVALPARAM); // no buffer
        QCOMPARE(midiOutPrepareHeader(handle, &header, sizeof header), MMSYSERR_INVALPARAM);
        header.lpData = midi::kGsResetMessage.data();
        QCOMPARE(midiOutLongMsg(handle, &header, sizeof header), MMSYSERR_INVALPARAM); // empty
        header.dwBufferLength = midi::kGsResetMessage.size();
        QCOMPARE(midiOutLongMsg(handle, &header, sizeof header), MIDIERR_UNPREPARED);
        QCOMPARE(midiOutLongMsg(handle, nullptr, sizeof header), MMSYSERR_INVALPARAM);
        QCOMPARE(midiOutPrepareHeader(handle, &header, sizeof header), MMSYSERR_NOERROR);
        QCOMPARE(midiOutLongMsg(handle, &header, sizeof header), MMSYSERR_NOERROR);

        QCOMPARE(midiOutClose(handle), MMSYSERR_NOERROR);
        QCOMPARE(midiOutClose(handle), MMSYSERR_INVALHANDLE);
        QCOMPARE(midiOutShortMsg(handle, 0x643590), MMSYSERR_INVALHANDLE);
        QCOMPARE(midiOutReset(handle), MMSYSERR_INVALHANDLE);
        QCOMPARE(midiOutPrepareHeader(handle, &header, sizeof header), MMSYSERR_INVALHANDLE);
        QCOMPARE(midiOutLongMsg(handle, &header, sizeof header), MMSYSERR_INVALHANDLE);
    }

    void deviceNamesAreCutAtACharacterBoundary()
    {
        TestBench bench({{.name = "ＡＢＣＤＥＦＧＨＩＪＫ"},
                         {.name = "A failing device", .capabilities = MMSYSERR_NODRIVER}});
        MIDIOUTCAPSA caps;
        QCOMPARE(midiOutGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
        QCOMPARE(QString::fromUtf8(caps.szPname), QStringLiteral("ＡＢＣＤＥＦＧＨＩＪ")); // 30 bytes of 33
        QCOMPARE(midiOutGetDevCapsA(1, &caps, sizeof caps), MMSYSERR_NODRIVER);
    }

    void deviceTableIsEnumeratedOnce()
    {
        TestBench bench;
        QCOMPARE(midiOutGetNumDevs(), 2u);
        bench.devices().push_back({.name = "Late device"});
        QCOMPARE(midiOutGetNumDevs(), 2u);
    }
};

QTEST_GUILESS_MAIN(TestMessages)
#include "test_messages.moc"
