// SPDX-License-Identifier: GPL-3.0-or-later
// MainWindow, the main window: start-up, settings, device list, keyboard, device switch.
#pragma once

#include "game/IniDocument.h"
#include "game/WindowPlacement.h"
#include "platform/WinMidi.h"
#include "port/ProgramState.h"
#include "ui/Controls.h"
#include "windows/HistoryWindow.h"

#include <QComboBox>
#include <QDateTime>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>

#include <array>
#include <vector>

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow();
    ~MainWindow() override;

    // Start-up: settings, device list, port, GS reset, start time.
    void startUp();
    // False when start-up ended the program (no MIDI output device at all).
    bool startedUp() const { return startedUp_; }

    // Opens SelectedDeviceId into MidiOutPort with up to six attempts 500 ms apart.
    MMRESULT openOutputWithRetry();

    // The computer keyboard, shared with the adjustment window; `key` is a virtual-key code.
    void onKeyDown(int key);
    void onKeyUp(int key);

    // pianoKey<n>MouseDown / pianoKey<n>MouseUp: the mouse on key n, any button.
    void onPianoKeyPressed(int shape);
    void onPianoKeyReleased(int shape);

    void onDeviceChosen();
    void onReferencePressed();
    void onReferenceReleased();
    void onReferenceKeyDown();
    void onReferenceKeyUp();
    void releaseReferenceKeyElsewhere(const QWidget* window);
    void onHintClicked();
    void onDifficultyEntry();
    void onInstrumentEntry();
    void onHistoryEntry();
    void onCreditClicked();
    void onClockTick();
    void onActivated();
    void finishRun();

    // The settings menu through a challenge: a slider move locks the difficulty and instrument
    // settings (entries difficultyEntry, instrumentEntry and their dialogs, which also hide), the answer
    // check unlocks the difficulty, the next challenge unlocks everything.
    void lockSettings();
    void unlockDifficulty();
    void unlockSettings();

    // The on-screen keys 1 ... 24, by their number in game::PianoKeys().
    ui::Shape* pianoKey(int number) const { return shapes_[number - 1]; }

    ui::Button* referenceButton = nullptr;
    ui::Button* hintButton = nullptr;
    QComboBox* deviceList = nullptr;
    ui::Label* creditLabel = nullptr;
    QStatusBar* clockStatusBar = nullptr;
    QTimer* clockTimer = nullptr;
    QMenu* settingsMenu = nullptr;
    QAction* difficultyEntry = nullptr;
    QAction* instrumentEntry = nullptr;
    QMenu* recordsMenu = nullptr;    // 記録(R)
    QAction* historyEntry = nullptr; // 成績の推移(K)…
    // Every answer check recorded; the window on the history.
    std::unique_ptr<PlayHistory> history;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createKeyboard(QWidget* client);
    void createControls(QWidget* client);
    void createMenu();
    void placeWindow(const game::WindowBounds& stored);
    void listDevices();
    void selectSavedDevice(int savedPosition, const QString& savedName);
    void restoreTuningAndClosePort();
    void saveSettings();
    game::WindowBounds boundsToSave() const;
    void paintKey(int note, bool held);

    std::array<ui::Shape*, 24> shapes_{};
    bool startedUp_ = false;
    bool closed_ = false;
    game::WindowBounds storedBounds_;  // the window's bounds as the settings file gave them
    game::WindowBounds appliedBounds_; // what the window was given for them, on a screen
    QDateTime deviceReturnedAt_;       // when the device last came back; invalid until then
};

extern MainWindow* theMainWindow;

// Note on (velocity 100) and note off (velocity 127) for CurrentNote on channel 1.
void CurrentNoteOn();
void CurrentNoteOff();

// The text shown for an open failure at start-up.
QString OpenErrorText(MMRESULT result);
// The plain line below it: what the failure means and what the player can do.
QString OpenErrorExplanation(MMRESULT result);
