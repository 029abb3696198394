// SPDX-License-Identifier: GPL-3.0-or-later
// The windows of one run, created in order, and the program-wide variables they share.
#pragma once

#include <memory>

class MainWindow;
class TuningWindow;
class ResultsWindow;
class HintWindow;
class DifficultyDialog;
class InstrumentDialog;

class Program {
public:
    // Sets every program-wide variable to its initial value, then creates the windows in order,
    // each start-up handler running during its creation. Start-up may end the program at the main
    // window (no MIDI output device); then no other window is created.
    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // True when start-up ended the program.
    bool ended() const;
    // Shows the main window, as the event loop's start does.
    void showMainWindow();

private:
    std::unique_ptr<MainWindow> mainWindow_;
    std::unique_ptr<TuningWindow> tuningWindow_;
    std::unique_ptr<ResultsWindow> resultsWindow_;
    std::unique_ptr<HintWindow> hintWindow_;
    std::unique_ptr<DifficultyDialog> difficultyDialog_;
    std::unique_ptr<InstrumentDialog> instrumentDialog_;
};
