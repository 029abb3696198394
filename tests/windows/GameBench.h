// SPDX-License-Identifier: GPL-3.0-or-later
// A whole run of the program on the test bench: the seven windows on recording devices and the
// virtual clock, with helpers that press keys and mouse buttons on the real widgets.
#pragma once

#include "GsBytes.h"
#include "RecordingDesktop.h"
#include "Trace.h"
#include "game/IniDocument.h"
#include "game/Report.h"
#include "history/Recorder.h"
#include "windows/Program.h"

#include <QFile>
#include <QKeyEvent>
#include <QtTest>

#include <optional>

namespace testing {

using namespace ::windows;

// The settings file the program reads and writes in tests (beside the test executable).
inline QString SettingsPath()
{
    return game::SettingsLocationOfThisProgram().besideExecutable;
}

inline void WriteSettings(const QString& text)
{
    QFile file(SettingsPath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

inline QString ReadSettings()
{
    QFile file(SettingsPath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// A first run has no history: the file of the test's own data folder goes, with its journal.
inline void RemoveHistory()
{
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(history::DefaultHistoryPath() + QLatin1String(suffix));
}

// The bench's devices, clock and desktop as a program takes them, with a fixed seed.
inline Host HostOf(TestBench& bench, Desktop& desktop)
{
    return {.clock = bench.clock(),
            .desktop = desktop,
            .listDevices = bench.listDevices(),
            .randomSeed = 20261207};
}

class GameBench {
public:
    // `settings`: the settings file's text before start, or none for a first run.
    explicit GameBench(std::vector<FakeDeviceConfig> devices = {{.name = "Test Synth A"},
                                                                {.name = "Test Synth B"}},
                       std::optional<QString> settings = std::nullopt)
        : bench_(std::move(devices))
    {
        QFile::remove(SettingsPath());
        RemoveHistory();
        if (settings)
            WriteSettings(*settings);
        program_.emplace(HostOf(bench_, desktop_));
        if (program_->ended())
            return;
        // The timers are driven by hand: a test calls the tick handlers itself.
        main()->clockTimer()->stop();
        tuning()->checkRunTimer()->stop();
        program_->showMainWindow();
        program_->createLaterWindows(); // as the event loop's first turn does
    }
    ~GameBench()
    {
        program_.reset();
        QFile::remove(SettingsPath());
    }

    TestBench& bench() { return bench_; }
    Trace& trace() { return bench_.trace(); }
    Program& program() { return *program_; }
    game::Session& session() { return program_->session(); }
    MainWindow* main() const { return program_->mainWindow(); }
    TuningWindow* tuning() const { return program_->tuningWindow(); }
    ResultsWindow* results() const { return program_->resultsWindow(); }
    HintWindow* hint() const { return program_->hintWindow(); }
    DifficultyDialog* difficulty() const { return program_->difficultyDialog(); }
    InstrumentDialog* instruments() const { return program_->instrumentDialog(); }

    // Key down and up through the window, as the window system delivers them.
    static void keyDown(QWidget* window, Qt::Key key, bool autoRepeat = false,
                        Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        sendKey(window, QEvent::KeyPress, key, autoRepeat, modifiers);
    }
    static void keyUp(QWidget* window, Qt::Key key, bool autoRepeat = false,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        sendKey(window, QEvent::KeyRelease, key, autoRepeat, modifiers);
    }
    // A key pressed and released with Alt held, then Alt released, as X11 delivers them.
    static void altChord(QWidget* window, Qt::Key key)
    {
        keyDown(window, Qt::Key_Alt, false, Qt::AltModifier);
        keyDown(window, key, false, Qt::AltModifier);
        keyUp(window, key, false, Qt::AltModifier);
        keyUp(window, Qt::Key_Alt, false, Qt::AltModifier);
    }

private:
    static void sendKey(QWidget* window, QEvent::Type type, Qt::Key key, bool autoRepeat,
                        Qt::KeyboardModifiers modifiers)
    {
        const QString text = key >= Qt::Key_A && key <= Qt::Key_Z ? QString(QChar(key)).toLower() : QString();
        QKeyEvent event(type, key, modifiers, text, autoRepeat);
        QCoreApplication::sendEvent(window->windowHandle(), &event);
    }

    TestBench bench_;
    RecordingDesktop desktop_{bench_};
    std::optional<Program> program_;
};

// Opens a window by its menu entry; its clock is then ticked by hand on the virtual clock.
template <class Window>
Window* OpenFromMenu(GameBench& game, QAction* entry, Window* (Program::*window)() const)
{
    entry->trigger();
    Window* opened = (game.program().*window)();
    opened->clockTimer()->stop();
    return opened;
}

// "long F0 41 10 42 12 40 11 40 ..." for these data bytes, with the checksum.
inline QString ScaleTuningTrace(const std::array<std::uint8_t, 12>& data)
{
    std::vector<std::uint8_t> addressAndData = {0x40, 0x11, 0x40};
    addressAndData.insert(addressAndData.end(), data.begin(), data.end());
    return "long " + HexBytes(GsDataSet(addressAndData));
}

// "short 90 3C 64" for a three-byte short message.
inline QString ShortTrace(int status, int data1, int data2)
{
    return "short " + HexBytes({std::uint8_t(status), std::uint8_t(data1), std::uint8_t(data2)});
}

// Cents per slider step, as the difficulty dialog names the levels: 1, 3, 5 and 10.
inline int StepCentsOf(int difficulty)
{
    constexpr int kSteps[] = {1, 3, 5, 10};
    return kSteps[difficulty];
}

// The data bytes for `detune` with these slider positions: each the low 8 bits of 64 + cents.
inline std::array<std::uint8_t, 12> TuningBytes(const game::DetuneArray& detune,
                                                const game::SliderPositions& positions, int stepCents)
{
    std::array<std::uint8_t, 12> data{};
    for (std::size_t k = 0; k < data.size(); ++k)
        data[k] = std::uint8_t((64 + detune[k] + positions[k] * stepCents) & 0xFF);
    return data;
}

// The data bytes of the current challenge with these slider positions.
inline std::array<std::uint8_t, 12> TuningData(GameBench& game, const game::SliderPositions& positions = {})
{
    return TuningBytes(game.session().detune(), positions, StepCentsOf(game.session().difficulty()));
}

} // namespace testing
