// SPDX-License-Identifier: GPL-3.0-or-later
// One run of the program: the MIDI output, the game, the keyboard, the history and the windows,
// composed. The one owner of the run's state: nothing else is program-wide.
#pragma once

#include "game/Clock.h"
#include "game/Session.h"
#include "output/DeviceList.h"
#include "output/MidiOutput.h"
#include "ui/DesignLayout.h"
#include "windows/BeatWindow.h"
#include "windows/ComparisonWindow.h"
#include "windows/Desktop.h"
#include "windows/DeviceChoice.h"
#include "windows/DifficultyDialog.h"
#include "windows/ExamDialog.h"
#include "windows/HintWindow.h"
#include "windows/HistoryWindow.h"
#include "windows/InstrumentDialog.h"
#include "windows/Keyboard.h"
#include "windows/MainWindow.h"
#include "windows/ResultsWindow.h"
#include "windows/TuningWindow.h"
#include "windows/UnisonWindow.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <random>
#include <vector>

namespace windows {

// What the machine gives a run: the program entry hands in the real services, tests their own.
struct Host {
    game::Clock& clock;
    Desktop& desktop;
    output::ListDevices listDevices;
    std::uint32_t randomSeed; // the one seeding of the detuning's draws
};

class Program {
public:
    // Creates the windows the player starts with in order and starts the first challenge; the
    // results window and the windows the menus open follow once the event loop runs. Start-up may
    // end the program at the main window (no MIDI output device); then no other window is created.
    explicit Program(Host host);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // True when start-up ended the program.
    bool ended() const;
    // Shows the main window, as the event loop's start does.
    void showMainWindow();
    // The results window, the hint, the two settings dialogs and the beat window (once), each
    // placed whenever it opens.
    void createLaterWindows();

    output::MidiOutput& output() { return output_; }
    game::Session& session() { return session_; }
    Keyboard& keyboard() { return keyboard_; }
    MainWindow* mainWindow() const { return mainWindow_.get(); }
    TuningWindow* tuningWindow() const { return tuningWindow_.get(); }
    ResultsWindow* resultsWindow() const { return resultsWindow_.get(); }
    HintWindow* hintWindow() const { return hintWindow_.get(); }
    DifficultyDialog* difficultyDialog() const { return difficultyDialog_.get(); }
    ExamDialog* examDialog() const { return examDialog_.get(); }
    InstrumentDialog* instrumentDialog() const { return instrumentDialog_.get(); }
    PlayHistory* history() const { return history_.get(); }
    BeatWindow* beatWindow() const { return beatWindow_.get(); }
    ComparisonWindow* comparisonWindow() const { return comparisonWindow_.get(); }
    UnisonWindow* unisonWindow() const { return unisonWindow_.get(); }

private:
    void connectWindows();
    BeatWindowLinks beatWindowLinks();
    ComparisonWindowLinks comparisonWindowLinks();
    UnisonWindowLinks unisonWindowLinks();
    // Makes the drill's window when first asked for, and brings it forward.
    template <class Window, class Links> void showDrill(std::unique_ptr<Window>& window, Links links);
    void sendDrillTuning(const game::PitchClassCents& cents);
    template <class Window> Window& laterWindow(const std::unique_ptr<Window>& window);
    void placeLaterWindows();
    std::function<ui::Opening()> belowTheMainWindow();
    std::vector<QRect> keptControls() const;

    Host host_;
    std::mt19937 random_{host_.randomSeed};
    output::DeviceList devices_{host_.listDevices};
    output::MidiOutput output_{devices_, host_.clock};
    game::Session session_{output_, host_.clock, random_};
    DeviceChoice deviceChoice_{devices_, output_, session_, host_.clock, host_.desktop};
    Keyboard keyboard_{output_, session_};
    std::unique_ptr<MainWindow> mainWindow_;
    std::unique_ptr<PlayHistory> history_;
    std::unique_ptr<TuningWindow> tuningWindow_;
    std::unique_ptr<ResultsWindow> resultsWindow_;
    std::unique_ptr<HintWindow> hintWindow_;
    std::unique_ptr<DifficultyDialog> difficultyDialog_;
    std::unique_ptr<InstrumentDialog> instrumentDialog_;
    std::unique_ptr<BeatWindow> beatWindow_;
    std::unique_ptr<ExamDialog> examDialog_;
    std::unique_ptr<ComparisonWindow> comparisonWindow_; // made when first asked for
    std::unique_ptr<UnisonWindow> unisonWindow_;         // made when first asked for
};

} // namespace windows
