// SPDX-License-Identifier: GPL-3.0-or-later
// Device 0 as the program meets it: its name, opening without a SoundFont or without sound,
// short messages and the reset.
#include "GsBytes.h"
#include "StderrCapture.h"
#include "TinySoundFont.h"
#include "synth/AudioOutput.h"
#include "synth/BuiltinSynthDevice.h"
#include "synth/GsSynthPort.h"
#include "synth/OpeningPort.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

using testing::Short;

namespace {

const std::string kSoundFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
// Opening the built-in synthesizer on a busy machine under the sanitizers.
constexpr std::chrono::seconds kPatience{60};

// What opening the built-in synthesizer's port gave; Error while it still runs after kPatience.
output::Result OpenedAs(output::Port& port)
{
    return static_cast<synth::OpeningPort&>(port).waitUntilOpened(kPatience).value_or(output::Result::Failed);
}

std::unique_ptr<synth::GsSynthPort> OfflinePort()
{
    auto synth = synth::FluidSynth::Open({.soundFonts = {kSoundFont}, .reverb = false});
    return synth ? std::make_unique<synth::GsSynthPort>(std::move(synth)) : nullptr;
}

void Render(synth::GsSynthPort& port, double seconds)
{
    const int frames = int(seconds * port.synth().sampleRate());
    std::vector<float> left(frames), right(frames);
    port.synth().render(left.data(), right.data(), frames);
}

// The loudest sample of the next `seconds` of output.
float Peak(synth::GsSynthPort& port, double seconds)
{
    const int frames = int(seconds * port.synth().sampleRate());
    std::vector<float> left(frames), right(frames);
    port.synth().render(left.data(), right.data(), frames);
    return *std::max_element(left.begin(), left.end());
}

// The scheduler's state letter of a thread of this process: 'S' while it sleeps, 'R' while it runs.
char ThreadState(pid_t thread)
{
    QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(thread));
    if (!stat.open(QIODevice::ReadOnly))
        return '?';
    const QByteArray line = stat.readAll();
    const qsizetype end = line.lastIndexOf(") "); // after the thread's name, which may hold anything
    return end < 0 ? '?' : line.at(end + 2);
}

} // namespace

class TestBuiltinSynth : public QObject {
    Q_OBJECT

private slots:
    void nameFitsTheCapabilityRecord()
    {
        const auto device = synth::MakeBuiltinSynthDevice();
        QCOMPARE(device->name(), std::string(synth::kBuiltinSynthName));
        QVERIFY(device->name().size() <= 31);
        QCOMPARE(device->queryCapabilities(), output::Result::Ok);
    }

    // Without a file that begins as a SoundFont the device fails at once, as the program's retries
    // expect, and says so once.
    void openWithoutSoundFontFile_data()
    {
        QTest::addColumn<QString>("content"); // what the SoundFont file holds; null: no file
        QTest::newRow("missing") << QString();
        QTest::newRow("empty") << QStringLiteral("");
        QTest::newRow("not a RIFF file") << QStringLiteral("GM soundfont, honest");
    }
    void openWithoutSoundFontFile()
    {
        QFETCH(QString, content);
        QTemporaryDir dir;
        const QString path = dir.filePath("GM.sf2");
        if (!content.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content.toUtf8());
        }
        auto device = synth::MakeBuiltinSynthDevice(
            {.soundFonts = {path.toStdString(), dir.path().toStdString()}, .audioDrivers = {}});
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^Built-in synthesizer: no SoundFont could be loaded"));
        QTest::failOnWarning(QRegularExpression(".")); // the program retries: said once is enough
        std::unique_ptr<output::Port> port;
        QCOMPARE(device->open(port), output::Result::Missing);
        QCOMPARE(device->open(port), output::Result::Missing);
        QVERIFY(!port);
    }

    // What fails after the file's first bytes fails on the port's thread while the windows come
    // up: the player is told once, at once, and the messages answer why.
    void openFailsOnItsThread_data()
    {
        QTest::addColumn<bool>("soundFontWhole");
        QTest::addColumn<QStringList>("drivers");
        QTest::addColumn<output::Result>("failure");
        QTest::addColumn<QString>("line");
        const QString noSoundFont = "no SoundFont could be loaded",
                      noAudio = "no audio output could be opened";
        QTest::newRow("a SoundFont's header and nothing else")
            << false << QStringList{"file"} << output::Result::Missing << noSoundFont;
        QTest::newRow("no driver to try")
            << true << QStringList{} << output::Result::NoSoundOutput << noAudio;
        QTest::newRow("drivers FluidSynth does not have")
            << true << QStringList{"no-such-driver", "file-less"} << output::Result::NoSoundOutput << noAudio;
    }
    void openFailsOnItsThread()
    {
        QFETCH(bool, soundFontWhole);
        QFETCH(QStringList, drivers);
        QFETCH(output::Result, failure);
        QFETCH(QString, line);
        QTemporaryDir dir;
        const QString headerOnly = dir.filePath("GM.sf2");
        {
            QFile file(headerOnly);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("RIFF\x04\0\0\0sfbk", 12);
        }
        synth::BuiltinSynthOptions options{
            .soundFonts = {soundFontWhole ? kSoundFont : headerOnly.toStdString()}, .audioDrivers = {}};
        for (const QString& driver : drivers)
            options.audioDrivers.push_back(driver.toStdString());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Built-in synthesizer: " + line));
        int boxes = 0;
        options.say = [&boxes](const QString&, const QString&) { ++boxes; };
        std::unique_ptr<output::Port> port;
        QCOMPARE(synth::MakeBuiltinSynthDevice(options)->open(port), output::Result::Ok);
        QCOMPARE(OpenedAs(*port), failure);
        QTRY_COMPARE(boxes, 1); // at once, before any key is played
        QCOMPARE(port->sendShort(Short(0x90, 60, 100)), failure);
        QCOMPARE(port->sendSysex(testing::GsReset()), failure);
        QCOMPARE(boxes, 1);
    }

    // PulseAudio, JACK, ALSA and SDL each have their own way of complaining on the terminal.
    void desktopDriversFailQuietlyWithoutSound()
    {
        auto device = synth::MakeBuiltinSynthDevice();
        std::unique_ptr<output::Port> port;
        testing::StderrCapture capture; // our own line goes through Qt, to the test log
        QCOMPARE(device->open(port), output::Result::Ok);
        const output::Result result = OpenedAs(*port);
        const QString printed = capture.text();
        if (result == output::Result::Ok)
            QSKIP("this machine has a sound output");
        QCOMPARE(result, output::Result::NoSoundOutput);
        QCOMPARE(printed, QString());
    }

    void shortMessages_data()
    {
        QTest::addColumn<midi::ShortMessage>("message");
        QTest::addColumn<output::Result>("result");
        QTest::newRow("program change, one data byte") << Short(0xC0, 5, 0x99) << output::Result::Ok;
        QTest::newRow("data byte where the status belongs")
            << Short(0x40, 60, 100) << output::Result::Refused;
        QTest::newRow("key above 127") << Short(0x90, 0x80, 100) << output::Result::Refused;
        QTest::newRow("velocity above 127") << Short(0x90, 60, 0x80) << output::Result::Refused;
        QTest::newRow("timing clock") << Short(0xF8, 0) << output::Result::Ok;
    }
    void shortMessages()
    {
        QFETCH(midi::ShortMessage, message);
        QFETCH(output::Result, result);
        auto port = OfflinePort();
        QVERIFY(port);
        QCOMPARE(port->sendShort(message), result);
        QCOMPARE(fluid_synth_get_active_voice_count(port->synth().get()), 0);
    }

    void shortMessageWordOrder()
    {
        auto port = OfflinePort();
        QVERIFY(port);
        fluid_synth_t* fluid = port->synth().get();
        QCOMPARE(port->sendShort(Short(0xC3, 19)), output::Result::Ok);
        int soundFont = 0, bank = 0, program = 0;
        fluid_synth_get_program(fluid, 3, &soundFont, &bank, &program);
        QCOMPARE(program, 19);
        QCOMPARE(port->sendShort(Short(0x93, 60, 100)), output::Result::Ok);
        Render(*port, 0.01);
        QVERIFY(fluid_synth_get_active_voice_count(fluid) > 0);
        QCOMPARE(port->sendShort(Short(0xB3, 120)), output::Result::Ok); // all sound off
        Render(*port, 0.01);
        QCOMPARE(fluid_synth_get_active_voice_count(fluid), 0);
    }

    void gsResetStopsSoundAndRestoresPrograms()
    {
        auto port = OfflinePort();
        QVERIFY(port);
        fluid_synth_t* fluid = port->synth().get();
        port->sendShort(Short(0xC0, 19));
        port->sendShort(Short(0xB0, 7, 20)); // volume
        port->sendShort(Short(0x90, 60, 100));
        Render(*port, 0.1);
        const std::uint8_t gsReset[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
        QCOMPARE(port->sendSysex(gsReset), output::Result::Ok);
        Render(*port, 0.01);
        QCOMPARE(fluid_synth_get_active_voice_count(fluid), 0);
        int soundFont = 0, bank = 0, program = 0, volume = 0;
        fluid_synth_get_program(fluid, 0, &soundFont, &bank, &program);
        fluid_synth_get_cc(fluid, 0, 7, &volume);
        QCOMPARE(program, 0);
        QCOMPARE(volume, 100);
    }

    // The audio output stops running the synthesizer once a note and its reverb have died away, and
    // the next note sounds in the period after it arrives.
    void rendererRestsWhileSilent()
    {
        auto synth = synth::FluidSynth::Open({.soundFonts = {kSoundFont}, .reverb = true});
        QVERIFY(synth);
        synth::PeriodRenderer renderer(*synth);
        std::vector<float> left(64), right(64);
        auto period = [&] {
            std::fill(left.begin(), left.end(), 0.0f);
            std::fill(right.begin(), right.end(), 0.0f);
            float* out[] = {left.data(), right.data()};
            renderer.render(64, 0, nullptr, 2, out);
            return *std::max_element(left.begin(), left.end());
        };
        fluid_synth_noteon(synth->get(), 0, 69, 100);
        period();
        fluid_synth_noteoff(synth->get(), 0, 69);
        int periods = 0;
        while (!renderer.idle() && periods < 44100 * 20 / 64)
            period(), ++periods;
        QVERIFY(renderer.idle());
        QCOMPARE(period(), 0.0f);
        fluid_synth_noteon(synth->get(), 0, 69, 100);
        QVERIFY(period() > 0.0f);
        QVERIFY(!renderer.idle());
    }

    // Told to, a silent renderer holds the driver's thread instead of handing out silence, until a
    // message comes; the note it announces sounds at once.
    void sleepingRendererWakesForANote()
    {
        auto synth = synth::FluidSynth::Open({.soundFonts = {kSoundFont}, .reverb = false});
        QVERIFY(synth);
        synth::PeriodRenderer renderer(*synth);
        renderer.sleepWhileSilent(std::chrono::hours(1));
        std::atomic<pid_t> driverThread = 0;
        std::atomic<bool> heard = false, done = false;
        std::thread driver([&] {
            driverThread = gettid();
            std::vector<float> left(64), right(64);
            while (!done) {
                std::fill(left.begin(), left.end(), 0.0f);
                std::fill(right.begin(), right.end(), 0.0f);
                float* out[] = {left.data(), right.data()};
                renderer.render(64, 0, nullptr, 2, out);
                heard = heard || std::any_of(left.begin(), left.end(), [](float x) { return x != 0; });
            }
        });
        const auto stopDriver = qScopeGuard([&] {
            done = true;
            renderer.stop();
            driver.join();
        });
        QTRY_VERIFY(renderer.idle() && ThreadState(driverThread) == 'S');
        QVERIFY(!heard);
        fluid_synth_noteon(synth->get(), 0, 69, 100);
        renderer.wake();
        QTRY_VERIFY(heard);
    }

    // The SoundFont deleted (or its package removed) while the synthesizer plays: presets whose
    // samples were not loaded yet still sound, and the player is told once, from the event loop.
    void soundFontDeletedWhilePlaying()
    {
        QTemporaryDir folder;
        const std::string path = folder.filePath("GM.sf2").toStdString();
        if (::link(kSoundFont.c_str(), path.c_str()) != 0)
            QVERIFY(QFile::copy(QString::fromStdString(kSoundFont), QString::fromStdString(path)));
        auto synth = synth::FluidSynth::Open({.soundFonts = {path}, .reverb = false});
        QVERIFY(synth);
        int said = 0;
        synth::GsSynthPort port(std::move(synth), nullptr, nullptr, synth::GsSynthPort::kMeasurementPatience,
                                [&said](const QString&, const QString&) { ++said; });
        QCOMPARE(::unlink(path.c_str()), 0);
        for (const int program : {40, 73, 19}) {
            port.sendShort(Short(0xC0, program));
            port.sendShort(Short(0x90, 60, 100));
            QVERIFY2(Peak(port, 0.3) > 0.01f, qPrintable(QStringLiteral("program %1 silent").arg(program)));
            port.sendShort(Short(0xB0, 120));
        }
        // Not within the message: the opening port hands messages on under its lock, and a key the
        // box's event loop released would wait on that lock for ever.
        QCOMPARE(said, 0);
        QTRY_COMPARE(said, 1);
        QCoreApplication::processEvents();
        QCOMPARE(said, 1);
    }

    // The SoundFont changed in place while the synthesizer plays (cut short then overwritten with
    // zeros, or overwritten at its size): FluidSynth would load the next instrument's samples from
    // it and crash rendering voices without data. The instrument playing stays, and the player is
    // told once.
    void soundFontChangedInPlaceWhilePlaying_data()
    {
        QTest::addColumn<bool>("sizeKept");
        QTest::newRow("cut to 1 MB, then zeros") << false;
        QTest::newRow("zeros over its start, size kept") << true;
    }
    void soundFontChangedInPlaceWhilePlaying()
    {
        QFETCH(bool, sizeKept);
        QTemporaryDir folder;
        const QString copy = folder.filePath("GM.sf2");
        QVERIFY(QFile::copy(QString::fromStdString(kSoundFont), copy));
        auto synth = synth::FluidSynth::Open({.soundFonts = {copy.toStdString()}, .reverb = false});
        QVERIFY(synth);
        int said = 0;
        synth::GsSynthPort port(std::move(synth), nullptr, nullptr, synth::GsSynthPort::kMeasurementPatience,
                                [&said](const QString&, const QString&) { ++said; });
        port.sendShort(Short(0xC0, 19)); // the church organ, loaded before the file changes
        const auto playProgram = [&](int program) {
            port.sendShort(Short(0xC0, program));
            port.sendShort(Short(0x90, 60, 100));
            QVERIFY2(Peak(port, 0.3) > 0.01f, qPrintable(QStringLiteral("program %1 silent").arg(program)));
            port.sendShort(Short(0xB0, 120));
        };
        QFile file(copy);
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (!sizeKept) {
            QVERIFY(file.resize(1 << 20));
            playProgram(40);
        }
        QVERIFY(file.write(QByteArray(1 << 20, '\0')) == 1 << 20 && file.flush());
        playProgram(73);
        int soundFont = 0, bank = 0, program = 0;
        QCOMPARE(fluid_synth_get_program(port.synth().get(), 0, &soundFont, &bank, &program), FLUID_OK);
        QCOMPARE(program, 19);
        QTRY_COMPARE(said, 1);
        QCoreApplication::processEvents();
        QCOMPARE(said, 1);
    }

    // Samples whose headers point past the file's sample data: FluidSynth drops them and their
    // keys play silence, so the player is told at the open.
    void samplesPastTheDataAreSaidAtTheOpen_data()
    {
        QTest::addColumn<std::vector<int>>("pastTheData");
        QTest::addColumn<int>("boxes");
        QTest::newRow("whole") << std::vector<int>{} << 0;
        QTest::newRow("two samples past the data") << std::vector<int>{0, 2} << 1;
    }
    void samplesPastTheDataAreSaidAtTheOpen()
    {
        QFETCH(std::vector<int>, pastTheData);
        QFETCH(int, boxes);
        QTemporaryDir folder;
        QFile file(folder.filePath("tiny.sf2"));
        const auto bytes = testing::TinySoundFont(pastTheData);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(reinterpret_cast<const char*>(bytes.data()),
                                                              qint64(bytes.size())) == qint64(bytes.size()));
        file.close();
        auto synth =
            synth::FluidSynth::Open({.soundFonts = {file.fileName().toStdString()}, .reverb = false});
        QVERIFY(synth);
        int said = 0;
        synth::GsSynthPort port(std::move(synth), nullptr, nullptr, synth::GsSynthPort::kMeasurementPatience,
                                [&said](const QString&, const QString&) { ++said; });
        port.sendShort(Short(0x90, 60, 100));
        QCoreApplication::processEvents();
        QCOMPARE(said, boxes);
    }

    // A reload whose SoundFont does not load (here: the file emptied meanwhile) leaves the old one
    // playing: no key goes silent.
    void failedReloadKeepsTheKeysSounding()
    {
        QTemporaryDir folder;
        const QString copy = folder.filePath("GM.sf2");
        QVERIFY(QFile::copy(QString::fromStdString(kSoundFont), copy)); // a copy: it is emptied below
        auto synth = synth::FluidSynth::Open({.soundFonts = {copy.toStdString()}, .reverb = false});
        QVERIFY(synth);
        synth::GsSynthPort port(std::move(synth));
        QVERIFY(QFile(copy).resize(0));
        QVERIFY(!port.synth().reload(std::nullopt));
        port.sendShort(Short(0x90, 60, 100));
        QVERIFY(Peak(port, 0.3) > 0.01f);
    }

    void resetEndsNotesHeldByThePedal()
    {
        auto port = OfflinePort();
        QVERIFY(port);
        for (int channel : {0, 1}) {
            port->sendShort(Short(0xB0 | channel, 64, 127));
            port->sendShort(Short(0x90 | channel, 60, 100));
            port->sendShort(Short(0x80 | channel, 60));
        }
        Render(*port, 1);
        QVERIFY(fluid_synth_get_active_voice_count(port->synth().get()) > 0);
        QCOMPARE(port->reset(), output::Result::Ok);
        Render(*port, 2);
        QCOMPARE(fluid_synth_get_active_voice_count(port->synth().get()), 0);
        int pedal = -1;
        fluid_synth_get_cc(port->synth().get(), 0, 64, &pedal);
        QCOMPARE(pedal, 0);
    }
};

QTEST_GUILESS_MAIN(TestBuiltinSynth)
#include "test_builtin_synth.moc"
