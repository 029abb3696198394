// SPDX-License-Identifier: GPL-3.0-or-later
// The external ports without a server: stable names, our own ports left out, finding a port again
// after the list moved, the bytes of short messages, the silencing sequence, and a missing backend
// that lists nothing and says nothing.
#include "JackHelperClient.h"
#include "StderrCapture.h"
#include "output/ExternalDevices.h"
#include "output/RtMidiNames.h"
#include "output/SoundingNotes.h"

#include <jack/jack.h>

#include <QtTest>

#include <unistd.h>

#include <filesystem>

using output::PortAddress;

namespace {

QString Hex(std::span<const std::uint8_t> bytes)
{
    QStringList parts;
    for (auto byte : bytes)
        parts << QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(' ');
}

std::vector<std::uint8_t> Bytes(const QString& hex)
{
    std::vector<std::uint8_t> bytes;
    for (const auto& part : hex.split(' ', Qt::SkipEmptyParts))
        bytes.push_back(std::uint8_t(part.toUInt(nullptr, 16)));
    return bytes;
}

std::vector<std::string> Names(const QStringList& names)
{
    std::vector<std::string> result;
    for (const auto& name : names)
        result.push_back(name.toStdString());
    return result;
}

// The short message "90 45 64".
midi::ShortMessage Message(const QString& hex)
{
    const auto bytes = Bytes(hex);
    return midi::ShortMessageOf(bytes.at(0), bytes.size() > 1 ? bytes[1] : 0,
                                bytes.size() > 2 ? bytes[2] : 0);
}

} // namespace

class TestRtMidiPorts : public QObject {
    Q_OBJECT

private slots:
    void stableAlsaPortName_data()
    {
        QTest::addColumn<QString>("reported");
        QTest::addColumn<QString>("stable");
        QTest::newRow("through port") << "Midi Through:Midi Through Port-0 14:0"
                                      << "Midi Through:Midi Through Port-0";
        QTest::newRow("numbers inside the name stay") << "FLUID Synth (812):Synth input port (812:0) 129:0"
                                                      << "FLUID Synth (812):Synth input port (812:0)";
        QTest::newRow("nothing appended") << "Client:Port"
                                          << "Client:Port";
        QTest::newRow("words, not numbers") << "Client:Port A:B"
                                            << "Client:Port A:B";
        QTest::newRow("one number only") << "Client:Port 14"
                                         << "Client:Port 14";
    }
    void stableAlsaPortName()
    {
        QFETCH(QString, reported);
        QFETCH(QString, stable);
        QCOMPARE(QString::fromStdString(output::StableAlsaPortName(reported.toStdString())), stable);
    }

    void ownPorts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("own");
        QTest::newRow("ours") << "Velmora:out" << true;
        QTest::newRow("ours, made unique by JACK") << "Velmora-01:out" << true;
        QTest::newRow("another word after our name") << "Velmora Synth:in" << false;
        QTest::newRow("suffix not a number") << "Velmora-x:in" << false;
        QTest::newRow("our name as the port") << "system:Velmora" << false;
    }
    void ownPorts()
    {
        QFETCH(QString, name);
        QFETCH(bool, own);
        QCOMPARE(output::IsOwnPort(name.toStdString()), own);
    }

    void listingLeavesOutOwnAndUnnamedPortsAndCountsTwins()
    {
        const auto addresses =
            output::ForeignPortAddresses(Names({"A:in", "Velmora:in", "B:in", "", "A:in", "Velmora-02:x"}));
        const std::vector<PortAddress> expected{{"A:in", 0}, {"B:in", 0}, {"A:in", 1}};
        QVERIFY(addresses == expected);
    }

    void findPortAgain_data()
    {
        QTest::addColumn<QStringList>("listing");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("occurrence");
        QTest::addColumn<int>("index"); // -1: gone
        QTest::newRow("moved after a port left") << QStringList{"B:in"} << "B:in" << 0 << 0;
        QTest::newRow("moved after a port came") << QStringList{"C:in", "A:in", "B:in"} << "B:in" << 0 << 2;
        QTest::newRow("the second twin") << QStringList{"A:in", "B:in", "A:in"} << "A:in" << 1 << 2;
        QTest::newRow("second twin gone") << QStringList{"A:in", "B:in"} << "A:in" << 1 << -1;
        QTest::newRow("vanished while listed keeps its place") << QStringList{"", "B:in"} << "B:in" << 0 << 1;
    }
    void findPortAgain()
    {
        QFETCH(QStringList, listing);
        QFETCH(QString, name);
        QFETCH(int, occurrence);
        QFETCH(int, index);
        const auto found = output::FindPort(Names(listing), {name.toStdString(), occurrence});
        QCOMPARE(found ? int(*found) : -1, index);
    }

    // The opened port is reached only under the numbers it was opened with: back under others,
    // our connection is gone and the port must be opened anew.
    void anAlsaPortBackUnderNewNumbersIsNoLongerReached()
    {
        const PortAddress synth{"Synth:Port", 0};
        const std::string opened = "Synth:Port 128:0";
        QVERIFY(
            output::IsStillTheOpenedAlsaPort(Names({"Other:Out 20:0", "Synth:Port 128:0"}), synth, opened));
        QVERIFY(!output::IsStillTheOpenedAlsaPort(Names({"Synth:Port 129:0"}), synth, opened));
        QVERIFY(!output::IsStillTheOpenedAlsaPort(Names({"Synth:Port 128:1"}), synth, opened));
        QVERIFY(!output::IsStillTheOpenedAlsaPort({}, synth, opened));
    }

    void shortMessageBytes_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("data1");
        QTest::addColumn<int>("data2");
        QTest::addColumn<QString>("bytes"); // empty: refused
        QTest::newRow("note on") << 0x90 << 0x45 << 0x64 << "90 45 64";
        QTest::newRow("program change: two bytes") << 0xC0 << 0x05 << 0x7F << "C0 05";
        QTest::newRow("channel pressure: two bytes") << 0xD3 << 0x40 << 0 << "D3 40";
        QTest::newRow("timing clock: one byte") << 0xF8 << 0 << 0 << "F8";
        QTest::newRow("running status") << 0x64 << 0x45 << 0 << "";
        QTest::newRow("system exclusive") << 0xF0 << 0x41 << 0 << "";
        QTest::newRow("data byte with its top bit") << 0x90 << 0x45 << 0x80 << "";
    }
    void shortMessageBytes()
    {
        QFETCH(int, status);
        QFETCH(int, data1);
        QFETCH(int, data2);
        QFETCH(QString, bytes);
        QCOMPARE(Hex(midi::ShortMessageOf(status, data1, data2).view()), bytes);
    }

    void systemExclusiveFraming_data()
    {
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<bool>("complete");
        QTest::newRow("GS reset") << "F0 41 10 42 12 40 00 7F 00 41 F7" << true;
        QTest::newRow("end missing") << "F0 41 10 42" << false;
        QTest::newRow("start missing") << "41 10 42 F7" << false;
        QTest::newRow("status byte inside") << "F0 41 90 42 F7" << false;
    }
    void systemExclusiveFraming()
    {
        QFETCH(QString, bytes);
        QFETCH(bool, complete);
        QCOMPARE(midi::IsCompleteSystemExclusive(Bytes(bytes)), complete);
    }

    void silencingEndsTheNotesKnownToSound_data()
    {
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("noteOffs");
        QTest::newRow("one note") << QStringList{"90 45 64"} << QStringList{"80 45 00"};
        QTest::newRow("released by note-off") << QStringList{"90 45 64", "80 45 40"} << QStringList{};
        QTest::newRow("released by velocity 0") << QStringList{"90 45 64", "90 45 00"} << QStringList{};
        QTest::newRow("all notes off on its channel")
            << QStringList{"90 45 64", "91 3C 50", "B0 7B 00"} << QStringList{"81 3C 00"};
        QTest::newRow("two channels, in channel order") << QStringList{"91 3C 50", "90 45 64", "90 40 64"}
                                                        << QStringList{"80 40 00", "80 45 00", "81 3C 00"};
    }
    void silencingEndsTheNotesKnownToSound()
    {
        QFETCH(QStringList, sent);
        QFETCH(QStringList, noteOffs);
        output::SoundingNotes sounding;
        for (const auto& message : sent)
            sounding.track(Message(message));
        QStringList silencing;
        for (const auto& message : sounding.silencingMessages())
            silencing << Hex(message.view());
        QCOMPARE(silencing.filter(QRegularExpression("^8")), noteOffs);
        QCOMPARE(silencing.size(), noteOffs.size() + 32);
    }

    void silencingLiftsThePedalAndEndsNotesOnEveryChannel()
    {
        QStringList expected;
        for (int channel = 0; channel < 16; ++channel)
            expected << QString("B%1 40 00").arg(channel, 0, 16).toUpper()
                     << QString("B%1 7B 00").arg(channel, 0, 16).toUpper();
        output::SoundingNotes sounding;
        sounding.track(Message("91 45 64"));
        QStringList silencing;
        for (const auto& message : sounding.silencingMessages())
            silencing << Hex(message.view());
        QCOMPARE(silencing.takeAt(2), QString("81 45 00")); // on its channel, before the controllers
        QCOMPARE(silencing, expected);
    }

    void missingBackendsListNothingAndSayNothing()
    {
        // A server name nobody runs: as if the player had no JACK server at all.
        qputenv("JACK_DEFAULT_SERVER", QByteArray("velmora-absent-") + QByteArray::number(getpid()));
        testing::StderrCapture capture;
        const auto jackPorts = output::EnumerateJackPorts();
        const auto alsaPorts = output::EnumerateAlsaSequencerPorts();
        QCOMPARE(capture.text(), QString());
        QVERIFY(jackPorts.empty());
        if (!std::filesystem::exists("/dev/snd/seq"))
            QVERIFY(alsaPorts.empty());

        // And nobody started a server for us.
        QVERIFY(!jackhelper::OpenClient("probe"));
    }
};

QTEST_GUILESS_MAIN(TestRtMidiPorts)
#include "test_rtmidi_ports.moc"
