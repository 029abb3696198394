// SPDX-License-Identifier: GPL-3.0-or-later
// The external-port path for real: a private JACK server, a receiver started by
// run_jack_end_to_end.sh, and the platform calls of the desktop system sending to it.
#include "JackHelperClient.h"
#include "desktop/DesktopSystem.h"
#include "platform/Desktop.h"
#include "platform/MidiPorts.h"
#include "platform/RtMidiDevices.h"
#include "platform/System.h"
#include "port/MidiOutput.h"

#include <jack/jack.h>

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QtTest>

#include <array>

#include <signal.h>
#include <sys/prctl.h>

namespace {

const std::array<std::uint8_t, 11> kGsReset{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
// GS scale tuning of part 1 with a few pitch classes detuned; checksum 0x70.
const std::array<std::uint8_t, 22> kScaleTuning{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x11, 0x40,
                                                0x40, 0x35, 0x4A, 0x40, 0x40, 0x2F, 0x40, 0x51,
                                                0x40, 0x40, 0x40, 0x40, 0x70, 0xF7};
constexpr std::uint32_t kNoteOnA440 = 0x644590; // 90 45 64

QByteArray Environment(const char* name)
{
    const QByteArray value = qgetenv(name);
    if (value.isEmpty())
        qFatal("%s is not set: run this suite through run_jack_end_to_end.sh", name);
    return value;
}

// Lines the receiver printed so far.
QStringList Received()
{
    QFile file(QString::fromLocal8Bit(Environment("VELMORA_RECEIVED")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

// The device identifier whose capability name is `name`, or -1.
int DeviceNamed(const QByteArray& name)
{
    for (int id = 0; id < platform::MidiOutDeviceCount(); ++id) {
        std::string listed;
        if (platform::QueryMidiOutDevice(id, listed) == midi::Result::Ok && name == listed.c_str())
            return id;
    }
    return -1;
}

// A JACK client of the test's own with one MIDI input port; the port vanishes with the object.
class ScratchInputPort {
public:
    explicit ScratchInputPort(const char* clientName)
        : client_(jackhelper::OpenClient(clientName, JackUseExactName))
    {
        if (client_ && jack_port_register(client_.get(), "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0) &&
            jack_activate(client_.get()) == 0)
            name_ = std::string(clientName) + ":in";
    }
    // "client:in", or empty when JACK refused the port.
    const std::string& name() const { return name_; }

private:
    jackhelper::Client client_;
    std::string name_;
};

// Points libjack at another server while it lasts.
class ServerSwitch {
public:
    explicit ServerSwitch(const QByteArray& server) : previous_(qgetenv("JACK_DEFAULT_SERVER"))
    {
        qputenv("JACK_DEFAULT_SERVER", server);
    }
    ~ServerSwitch() { qputenv("JACK_DEFAULT_SERVER", previous_); }
    ServerSwitch(const ServerSwitch&) = delete;
    ServerSwitch& operator=(const ServerSwitch&) = delete;

private:
    QByteArray previous_;
};

std::unique_ptr<platform::MidiOutDevice> JackDeviceNamed(const std::string& name)
{
    for (auto& device : platform::EnumerateJackPorts())
        if (device->name() == name)
            return std::move(device);
    return nullptr;
}

QStringList JackPortNames()
{
    QStringList names;
    for (const auto& device : platform::EnumerateJackPorts())
        names << QString::fromStdString(device->name());
    return names;
}

// A JACK server of the test's own, on the dummy driver, with a receiver like the wrapper's; both
// stop with the object, and with this process however it ends: a crash runs no destructor, and a
// server left running keeps one of JACK's eight registry slots (jackd leads a session of its own,
// out of the wrapper's reach).
class ServerWithReceiver {
public:
    explicit ServerWithReceiver(const QByteArray& name) : name_(name)
    {
        for (QProcess* process : {&server_, &receiver_})
            process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        server_.start("jackd", {"--no-realtime", "--sync", "--timeout", "5000", "--name", name, "-d", "dummy",
                                "--rate", "48000", "--period", "256"});
        const ServerSwitch onThisServer(name);
        for (int tries = 0; tries < 200 && !Answers(); ++tries)
            QTest::qWait(50);
        receiver_.start(QString::fromLocal8Bit(Environment("VELMORA_RECEIVER_PROGRAM")), {"returning"});
        receiver_.setReadChannel(QProcess::StandardError); // "ready", once the port is up
        ready_ = receiver_.waitForReadyRead(10000) && receiver_.readAllStandardError() == "ready\n";
    }
    // A server stopping while a client opens can take two of its client timeouts to go; one that
    // has to be killed keeps its slot in JACK's server registry for good.
    ~ServerWithReceiver()
    {
        for (QProcess* process : {&receiver_, &server_}) {
            process->terminate();
            if (!process->waitForFinished(15000))
                process->kill();
        }
    }
    ServerWithReceiver(const ServerWithReceiver&) = delete;
    ServerWithReceiver& operator=(const ServerWithReceiver&) = delete;

    bool up() const { return ready_; }
    // The lines the receiver printed so far.
    QStringList received()
    {
        lines_ += QString::fromLatin1(receiver_.readAllStandardOutput());
        return lines_.split('\n', Qt::SkipEmptyParts);
    }

private:
    static bool Answers() { return jackhelper::OpenClient("probe") != nullptr; }

    QByteArray name_;
    QProcess server_;
    QProcess receiver_;
    bool ready_ = false;
    QString lines_;
};

// Message boxes of the midi layer, kept instead of shown.
class BoxesKept final : public platform::Desktop {
public:
    void messageBox(const QString& text, const QString&) override { boxes << text; }
    void setClipboardText(const QString&) override {}
    bool openUrl(const QString&) override { return true; }
    void playClip() override {}
    QStringList boxes;
};

} // namespace

class TestJackEndToEnd : public QObject {
    Q_OBJECT

private slots:
    // The desktop's own devices, as the program has them.
    void initTestCase() { platform::InstallSystem(std::make_unique<desktop::DesktopSystem>()); }
    void cleanupTestCase() { platform::InstallSystem(nullptr); }

    void messagesArriveByteForByte()
    {
        const int id = DeviceNamed(Environment("VELMORA_RECEIVER_PORT"));
        QVERIFY2(id > 0, "the receiver's port is listed after the built-in synthesizer");

        platform::MidiOutPort port;
        QCOMPARE(port.open(id), midi::Result::Ok);
        QCOMPARE(port.sendSysex(kGsReset), midi::Result::Ok);
        QCOMPARE(port.sendSysex(kScaleTuning), midi::Result::Ok);
        QCOMPARE(port.sendNoteOn(0, 0x45, 0x64), midi::Result::Ok);
        QCOMPARE(port.reset(), midi::Result::Ok);
        QCOMPARE(port.close(), midi::Result::Ok);

        QStringList expected{"F0 41 10 42 12 40 00 7F 00 41 F7",
                             "F0 41 10 42 12 40 11 40 40 35 4A 40 40 2F 40 51 40 40 40 40 70 F7", "90 45 64",
                             "80 45 00"};
        for (int channel = 0; channel < 16; ++channel)
            expected << QString("B%1 40 00").arg(channel, 0, 16).toUpper()
                     << QString("B%1 7B 00").arg(channel, 0, 16).toUpper();
        QTRY_COMPARE_WITH_TIMEOUT(Received().size(), expected.size(), 5000);
        QCOMPARE(Received(), expected);
    }

    // An external module never says when it has taken a message in: the fixed waits pace it.
    void anExternalPortIsPacedByTheWaits()
    {
        platform::MidiOutPort port;
        QCOMPARE(port.open(DeviceNamed(Environment("VELMORA_RECEIVER_PORT"))), midi::Result::Ok);
        QVERIFY(port.needsPacing());
        QCOMPARE(port.close(), midi::Result::Ok);
    }

    void whatWasSentJustBeforeClosingArrives()
    {
        const int id = DeviceNamed(Environment("VELMORA_RECEIVER_PORT"));
        const int before = Received().size();
        constexpr int kRounds = 5;
        for (int round = 0; round < kRounds; ++round) {
            platform::MidiOutPort port;
            QCOMPARE(port.open(id), midi::Result::Ok);
            QCOMPARE(port.sendNoteOff(0, 0x40 + round, 0), midi::Result::Ok);
            QCOMPARE(port.close(), midi::Result::Ok);
        }
        QTRY_COMPARE_WITH_TIMEOUT(Received().size() - before, kRounds, 5000);
    }

    void aPortClosedWhileNotesSoundReleasesThem()
    {
        const int id = DeviceNamed(Environment("VELMORA_RECEIVER_PORT"));
        const int before = Received().size();
        platform::MidiOutPort port;
        QCOMPARE(port.open(id), midi::Result::Ok);
        QCOMPARE(port.sendNoteOn(0, 0x42, 0x64), midi::Result::Ok); // F#4, channel 1
        QCOMPARE(port.sendNoteOn(1, 0x45, 0x64), midi::Result::Ok); // A4, channel 2
        QCOMPARE(port.close(), midi::Result::Ok);
        QTRY_COMPARE_WITH_TIMEOUT(Received().mid(before),
                                  QStringList({"90 42 64", "91 45 64", "80 42 00", "81 45 00"}), 5000);
    }

    void ownPortsAreNotListed()
    {
        // Another copy of the program with an input port of its own, under our client name.
        const ScratchInputPort ours("Velmora");
        QVERIFY(!ours.name().empty());
        const QStringList names = JackPortNames();
        QVERIFY(names.contains(QString::fromLocal8Bit(Environment("VELMORA_RECEIVER_PORT"))));
        QVERIFY2(names.filter(QRegularExpression("^Velmora")).isEmpty(), qPrintable(names.join(", ")));
    }

    void aPortGoneBeforeOpeningIsNoDriver()
    {
        auto scratch = std::make_unique<ScratchInputPort>("leaving");
        QVERIFY(!scratch->name().empty());
        auto device = JackDeviceNamed(scratch->name());
        QVERIFY(device);
        scratch.reset();

        std::unique_ptr<platform::OutputPort> port;
        QCOMPARE(device->open(port), midi::Result::NoDriver);
        QVERIFY(!port);
    }

    void aPortGoneAfterOpeningIsNotReady()
    {
        auto scratch = std::make_unique<ScratchInputPort>("leaving");
        QVERIFY(!scratch->name().empty());
        auto device = JackDeviceNamed(scratch->name());
        QVERIFY(device);
        std::unique_ptr<platform::OutputPort> port;
        QCOMPARE(device->open(port), midi::Result::Ok);
        QCOMPARE(port->sendShort(kNoteOnA440), midi::Result::Ok);
        scratch.reset();

        QCOMPARE(port->sendShort(kNoteOnA440), midi::Result::NotReady);
        QCOMPARE(port->sendLong(kGsReset), midi::Result::NotReady); // shown to the player as "error1"
        QCOMPARE(port->reset(), midi::Result::NotReady);
    }

    void aServerGoneAfterOpeningIsNotReadyAndClosesSafely()
    {
        const ServerSwitch doomed(Environment("VELMORA_DOOMED_SERVER"));
        auto scratch = std::make_unique<ScratchInputPort>("doomed");
        QVERIFY(!scratch->name().empty());
        auto device = JackDeviceNamed(scratch->name());
        QVERIFY(device);
        std::unique_ptr<platform::OutputPort> port;
        QCOMPARE(device->open(port), midi::Result::Ok);
        QCOMPARE(port->sendShort(kNoteOnA440), midi::Result::Ok);

        // The one process the wrapper hands over to be stopped here.
        QCOMPARE(kill(Environment("VELMORA_DOOMED_SERVER_PID").toInt(), SIGTERM), 0);
        QTRY_COMPARE_WITH_TIMEOUT(port->sendShort(kNoteOnA440), midi::Result::NotReady, 5000);
        scratch.reset();

        // A client opened after a server went away makes libjack delete every client left;
        // the port must not touch its own afterwards, not even when closing.
        QVERIFY(platform::EnumerateJackPorts().empty());
        QCOMPARE(port->sendLong(kGsReset), midi::Result::NotReady);
        QCOMPARE(port->reset(), midi::Result::NotReady);
        port.reset();
    }

    void aServerThatComesBackGetsTheGsResetAndTheTuningBeforeTheNextMessage()
    {
        // The list again, on the first server, once this one has stopped: listing while a server
        // stops holds up both.
        const auto listAgain =
            qScopeGuard([] { platform::InstallSystem(std::make_unique<desktop::DesktopSystem>()); });
        const QByteArray server = Environment("VELMORA_RETURNING_SERVER");
        const ServerSwitch returning(server);
        BoxesKept desktop;
        const platform::DesktopInForce desktopInForce(desktop);
        int returns = 0;
        midi::MidiOutput output;
        output.onDeviceReturned([&] { ++returns; });
        auto first = std::make_unique<ServerWithReceiver>(server);
        QVERIFY(first->up());
        // The list again, on this server: a system lists the devices from the moment it is made.
        platform::InstallSystem(std::make_unique<desktop::DesktopSystem>());
        const int id = DeviceNamed("returning:in");
        QVERIFY(id > 0);
        QCOMPARE(output.open(id), midi::Result::Ok);
        std::array<std::uint8_t, midi::kPitchClasses> tuning;
        std::copy(kScaleTuning.begin() + 8, kScaleTuning.begin() + 20, tuning.begin());
        output.fillScaleTuning(tuning);
        output.sendScaleTuning(midi::kWaitAfterRetune);
        QTRY_COMPARE_WITH_TIMEOUT(first->received().size(), 1, 5000);

        first.reset();
        output.sendNoteOn(midi::kKeysChannel, 0x45); // lost: nothing is there
        QCOMPARE(returns, 0);
        ServerWithReceiver second(server);
        QVERIFY(second.up());
        output.sendNoteOn(midi::kKeysChannel, 0x45);
        output.sendNoteOff(midi::kKeysChannel, 0x45);

        const QStringList expected{"F0 41 10 42 12 40 00 7F 00 41 F7",
                                   "F0 41 10 42 12 40 11 40 40 35 4A 40 40 2F 40 51 40 40 40 40 70 F7",
                                   "90 45 64", "80 45 7F"};
        QTRY_COMPARE_WITH_TIMEOUT(second.received().size(), expected.size(), 5000);
        QCOMPARE(second.received(), expected);
        QCOMPARE(returns, 1);
        QVERIFY(desktop.boxes.isEmpty());
        output.close();
    }
};

QTEST_MAIN(TestJackEndToEnd)
#include "test_jack_end_to_end.moc"
