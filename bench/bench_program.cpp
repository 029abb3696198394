// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers of the program as the player feels it: start-up to the main window beyond the fixed
// waits, key event to bytes leaving the program, memory after start-up, idle CPU. The MIDI device
// is an instant in-process one and the fixed waits are skipped (and counted), so the figures are
// the program's own. Prints tab-separated rows: what, value, unit.
#include "BenchHost.h"
#include "Rows.h"
#include "game/IniDocument.h"
#include "host/QtDesktop.h"
#include "output/ExternalDevices.h"
#include "windows/Program.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

using bench::ResidentMegabytes;
using bench::Row;

namespace {

using bench::Clock;

// The moment the latest short message left the program.
Clock::time_point lastShortMessage;

class InstantPort final : public output::Port {
public:
    output::Result sendShort(const midi::ShortMessage&) override
    {
        lastShortMessage = Clock::now();
        return output::Result::Ok;
    }
    output::Result sendSysex(std::span<const std::uint8_t>) override { return output::Result::Ok; }
    output::Result reset() override { return output::Result::Ok; }
};

// The JACK input port `portName` as the only device (bench/run.sh starts a server and a receiver
// for it).
output::ListDevices JackPort(std::string portName)
{
    return [portName = std::move(portName)] {
        output::Devices devices;
        for (auto& device : output::EnumerateJackPorts())
            if (device->name() == portName)
                devices.push_back(std::move(device));
        return devices;
    };
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Microseconds from a key press handed to the main window to its note-on leaving the program.
double KeyToBytesMicroseconds(windows::Program& program)
{
    QWindow* window = program.mainWindow()->windowHandle();
    std::vector<double> samples;
    for (int i = 0; i < 500; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier);
        lastShortMessage = {};
        const auto start = Clock::now();
        QCoreApplication::sendEvent(window, &press);
        if (lastShortMessage == Clock::time_point{})
            return NAN; // the key never reached the keyboard handlers
        samples.push_back(std::chrono::duration<double, std::micro>(lastShortMessage - start).count());
        QCoreApplication::sendEvent(window, &release);
    }
    return Median(samples);
}

// Per cent of one core used while the program waits for the player.
double IdleCpuPercent(int milliseconds)
{
    const double cpuBefore = bench::CpuSeconds();
    const auto start = Clock::now();
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    return 100 * (bench::CpuSeconds() - cpuBefore) / wall;
}

// Milliseconds to read a 10 MB settings file, write the seven keys and turn it back into text.
double HugeSettingsMilliseconds()
{
    QString text = QStringLiteral("[window]\nheight=300\n[notes]\n");
    while (text.size() < 10 * 1024 * 1024)
        text += QStringLiteral("key%1=some value the player left here\n").arg(text.size());
    const auto start = Clock::now();
    auto document = game::IniDocument::fromText(text);
    document.writeInteger("window", "Height", document.readInteger("window", "height", 246));
    document.writeString("dev", "gakki", QStringLiteral("Bench"));
    const auto written = document.bytes();
    const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return written.isEmpty() ? NAN : elapsed;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    host::QtDesktop desktop;
    testing::WallClock clock(false); // the fixed waits skipped
    {
        const auto start = Clock::now();
        windows::Program program(
            {.clock = clock,
             .desktop = desktop,
             .listDevices = testing::OneDevice("Bench", [] { return std::make_unique<InstantPort>(); }),
             .randomSeed = 1});
        program.showMainWindow();
        QCoreApplication::processEvents();
        Row("start-up to main window shown, beyond the fixed waits",
            std::chrono::duration<double, std::milli>(Clock::now() - start).count(), "ms");
        Row("resident memory after start-up (without the synthesizer)", ResidentMegabytes(), "MB");
        Row("key press to note-on leaving the program (median)", KeyToBytesMicroseconds(program), "us");

        Row("idle CPU, clock and timers running", IdleCpuPercent(3000), "% of a core");
        Row("10 MB settings file read, changed and written back", HugeSettingsMilliseconds(), "ms");
    }
    if (const QByteArray port = qgetenv("VELMORA_BENCH_JACK_PORT"); !port.isEmpty()) {
        windows::Program program({.clock = clock,
                                  .desktop = desktop,
                                  .listDevices = JackPort(port.toStdString()),
                                  .randomSeed = 1});
        if (!program.ended() && program.output().lastResult() == output::Result::Ok)
            Row("idle CPU, a JACK device open", IdleCpuPercent(5000), "% of a core");
    }
    return 0;
}
