// SPDX-License-Identifier: GPL-3.0-or-later
// The external-port path for real: a private JACK server, a receiver started by
// run_jack_end_to_end.sh, and the machine's device list as the program has it, sending to it.
#include "JackHelperClient.h"
#include "host/RealClock.h"
#include "host/SystemDevices.h"
#include "output/ExternalDevices.h"
#include "output/MidiOutput.h"
#include "output/Port.h"

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
const midi::ShortMessage kNoteOnA440 = midi::ShortMessageOf(0x90, 0x45, 0x64);

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

// The machine's devices as the program lists them: made anew, they list the devices there now.
struct MachineDevices {
    host::SystemDevices system{[](const QString&, const QString&) {}};
    output::DeviceList list{[this] { return system.list(); }};

    // The identifier of the device listed as `name`, or -1.
    int named(const QByteArray& name)
    {
        for (int id = 0; id < list.count(); ++id)
            if (list.shownName(id) == name.toStdString())
                return id;
        return -1;
    }
    // Opens the device listed as `name`.
    std::unique_ptr<output::Port> open(const QByteArray& name)
    {
        std::unique_ptr<output::Port> port;
        list.open(named(name), port);
        return port;
    }
};

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

std::unique_ptr<output::Device> JackDeviceNamed(const std::string& name)
{
    for (auto& device : output::EnumerateJackPorts())
        if (device->name() == name)
            return std::move(device);
    return nullptr;
}

QStringList JackPortNames()
{
    QStringList names;
    for (const auto& device : output::EnumerateJackPorts())
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

} // namespace

class TestJackEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void messagesArriveByteForByte()
    {
        MachineDevices devices;
        QVERIFY2(devices.named(Environment("VELMORA_RECEIVER_PORT")) > 0,
                 "the receiver's port is listed after the built-in synthesizer");

        auto port = devices.open(Environment("VELMORA_RECEIVER_PORT"));
        QVERIFY(port);
        QCOMPARE(port->sendSysex(kGsReset), output::Result::Ok);
        QCOMPARE(port->sendSysex(kScaleTuning), output::Result::Ok);
        QCOMPARE(port->sendShort(kNoteOnA440), output::Result::Ok);
        QCOMPARE(port->reset(), output::Result::Ok);
        port.reset();

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
        MachineDevices devices;
        const auto port = devices.open(Environment("VELMORA_RECEIVER_PORT"));
        QVERIFY(port);
        QVERIFY(port->needsPacing());
    }

    void whatWasSentJustBeforeClosingArrives()
    {
        MachineDevices devices;
        const int before = Received().size();
        constexpr int kRounds = 5;
        for (int round = 0; round < kRounds; ++round) {
            auto port = devices.open(Environment("VELMORA_RECEIVER_PORT"));
            QVERIFY(port);
            QCOMPARE(port->sendShort(midi::ShortMessageOf(0x80, 0x40 + round, 0)), output::Result::Ok);
        }
        QTRY_COMPARE_WITH_TIMEOUT(Received().size() - before, kRounds, 5000);
    }

    void aPortClosedWhileNotesSoundReleasesThem()
    {
        MachineDevices devices;
        const int before = Received().size();
        auto port = devices.open(Environment("VELMORA_RECEIVER_PORT"));
        QVERIFY(port);
        QCOMPARE(port->sendShort(midi::ShortMessageOf(0x90, 0x42, 0x64)),
                 output::Result::Ok); // F#4, channel 1
        QCOMPARE(port->sendShort(midi::ShortMessageOf(0x91, 0x45, 0x64)),
                 output::Result::Ok); // A4, channel 2
        port.reset();
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

        std::unique_ptr<output::Port> port;
        QCOMPARE(device->open(port), output::Result::Missing);
        QVERIFY(!port);
    }

    void aPortGoneAfterOpeningIsNotReady()
    {
        auto scratch = std::make_unique<ScratchInputPort>("leaving");
        QVERIFY(!scratch->name().empty());
        auto device = JackDeviceNamed(scratch->name());
        QVERIFY(device);
        std::unique_ptr<output::Port> port;
        QCOMPARE(device->open(port), output::Result::Ok);
        QCOMPARE(port->sendShort(kNoteOnA440), output::Result::Ok);
        scratch.reset();

        QCOMPARE(port->sendShort(kNoteOnA440), output::Result::Gone);
        QCOMPARE(port->sendSysex(kGsReset), output::Result::Gone); // shown to the player as "error1"
        QCOMPARE(port->reset(), output::Result::Gone);
    }

    void aServerGoneAfterOpeningIsNotReadyAndClosesSafely()
    {
        const ServerSwitch doomed(Environment("VELMORA_DOOMED_SERVER"));
        auto scratch = std::make_unique<ScratchInputPort>("doomed");
        QVERIFY(!scratch->name().empty());
        auto device = JackDeviceNamed(scratch->name());
        QVERIFY(device);
        std::unique_ptr<output::Port> port;
        QCOMPARE(device->open(port), output::Result::Ok);
        QCOMPARE(port->sendShort(kNoteOnA440), output::Result::Ok);

        // The one process the wrapper hands over to be stopped here.
        QCOMPARE(kill(Environment("VELMORA_DOOMED_SERVER_PID").toInt(), SIGTERM), 0);
        QTRY_COMPARE_WITH_TIMEOUT(port->sendShort(kNoteOnA440), output::Result::Gone, 5000);
        scratch.reset();

        // A client opened after a server went away makes libjack delete every client left;
        // the port must not touch its own afterwards, not even when closing.
        QVERIFY(output::EnumerateJackPorts().empty());
        QCOMPARE(port->sendSysex(kGsReset), output::Result::Gone);
        QCOMPARE(port->reset(), output::Result::Gone);
        port.reset();
    }

    void aServerThatComesBackGetsTheGsResetAndTheTuningBeforeTheNextMessage()
    {
        const QByteArray server = Environment("VELMORA_RETURNING_SERVER");
        const ServerSwitch returning(server);
        auto first = std::make_unique<ServerWithReceiver>(server);
        QVERIFY(first->up());
        // The list on this server: the devices list from the moment they are made.
        MachineDevices devices;
        host::RealClock clock;
        output::MidiOutput output(devices.list, clock);
        int returns = 0;
        output.onDeviceReturned([&] { ++returns; });
        QStringList failures;
        output.onSendFailure([&](output::Result result) { failures << QString::number(int(result)); });
        const int id = devices.named("returning:in");
        QVERIFY(id > 0);
        QCOMPARE(output.open(id), output::Result::Ok);
        std::array<std::uint8_t, midi::kPitchClasses> tuning;
        std::copy(kScaleTuning.begin() + 8, kScaleTuning.begin() + 20, tuning.begin());
        output.fillScaleTuning(tuning);
        output.sendScaleTuning(output::kWaitAfterRetune);
        QTRY_COMPARE_WITH_TIMEOUT(first->received().size(), 1, 5000);

        first.reset();
        output.sendNoteOn(game::kKeysChannel, 0x45); // lost: nothing is there
        QCOMPARE(returns, 0);
        ServerWithReceiver second(server);
        QVERIFY(second.up());
        output.sendNoteOn(game::kKeysChannel, 0x45);
        output.sendNoteOff(game::kKeysChannel, 0x45);

        const QStringList expected{"F0 41 10 42 12 40 00 7F 00 41 F7",
                                   "F0 41 10 42 12 40 11 40 40 35 4A 40 40 2F 40 51 40 40 40 40 70 F7",
                                   "90 45 64", "80 45 7F"};
        QTRY_COMPARE_WITH_TIMEOUT(second.received().size(), expected.size(), 5000);
        QCOMPARE(second.received(), expected);
        QCOMPARE(returns, 1);
        QVERIFY(failures.isEmpty());
        output.close();
    }
};

QTEST_MAIN(TestJackEndToEnd)
#include "test_jack_end_to_end.moc"
