// SPDX-License-Identifier: GPL-3.0-or-later
// TForm1, the main window: start-up, settings, device list, keyboard, device switch.
#pragma once

#include "BeatWindow.h"
#include "HistoryWindow.h"
#include "game/IniDocument.h"
#include "game/WindowPlacement.h"
#include "platform/WinMidi.h"
#include "port/ProgramState.h"
#include "ui/Controls.h"

#include <QComboBox>
#include <QDateTime>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>

#include <array>
#include <vector>

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    TForm1();
    ~TForm1() override;

    // Start-up: settings, device list, port, GS reset, start time.
    void FormCreate();
    // False when start-up ended the program (no MIDI output device at all).
    bool startedUp() const { return startedUp_; }

    // Opens SelectedDeviceId into MidiOutPort with up to six attempts 500 ms apart.
    MMRESULT OpenOutputWithRetry();

    // The computer keyboard, shared with the adjustment window; `key` is a virtual-key code.
    void FormKeyDown(int key);
    void FormKeyUp(int key);

    // Shape<n>MouseDown / Shape<n>MouseUp: the mouse on key n, any button.
    void ShapeMouseDown(int shape);
    void ShapeMouseUp(int shape);

    void ComboBox1Change();
    void Button1MouseDown();
    void Button1MouseUp();
    void Button1KeyDown();
    void Button1KeyUp();
    void ReleaseReferenceKeyElsewhere(const QWidget* window);
    void Button2Click();
    void N2Click();
    void N3Click();
    void N5Click();
    void showBeatWindow();
    void Label1Click();
    void Timer1Timer();
    void FormActivate();
    void FormClose();

    // The settings menu through a challenge: a slider move locks the difficulty and instrument
    // settings (entries N2, N3 and their dialogs, which also hide), the answer check unlocks the
    // difficulty, the next challenge unlocks everything.
    void lockSettings();
    void unlockDifficulty();
    void unlockSettings();

    // The on-screen keys Shape1 ... Shape24, by shape number.
    ui::Shape* Shape(int number) const { return shapes_[number - 1]; }

    ui::Button* Button1 = nullptr;
    ui::Button* Button2 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    ui::Label* Label1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QTimer* Timer1 = nullptr;
    QMenu* N1 = nullptr;
    QAction* N2 = nullptr;
    QAction* N3 = nullptr;
    QMenu* N4 = nullptr;   // 記録(R)
    QAction* N5 = nullptr; // 成績の推移(K)…
    // Every answer check recorded; the window on the history.
    std::unique_ptr<PlayHistory> History;
    QMenu* PracticeMenu = nullptr;      // 練習(P)
    QAction* BeatWindowEntry = nullptr; // うなりの聴き比べ(B)…
    std::unique_ptr<BeatWindow> Beats;  // made when first opened

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
    BeatWindowLinks beatWindowLinks();

    std::array<ui::Shape*, 24> shapes_{};
    bool startedUp_ = false;
    bool closed_ = false;
    game::WindowBounds storedBounds_;  // the window's bounds as the settings file gave them
    game::WindowBounds appliedBounds_; // what the window was given for them, on a screen
    QDateTime deviceReturnedAt_;       // when the device last came back; invalid until then
};

extern TForm1* Form1;

// Note on (velocity 100) and note off (velocity 127) for CurrentNote on channel 1.
void CurrentNoteOn();
void CurrentNoteOff();

// The text shown for an open failure at start-up.
QString OpenErrorText(MMRESULT result);
// The plain line below it: what the failure means and what the player can do.
QString OpenErrorExplanation(MMRESULT result);
