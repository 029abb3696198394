// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: start-up, settings file, device list and device switch, the on-screen keyboard,
// the reference A, the settings menu, the clock, and the end of the run.
#pragma once

#include "game/Clock.h"
#include "game/IniDocument.h"
#include "game/SavedSettings.h"
#include "game/Session.h"
#include "game/WindowPlacement.h"
#include "ui/Controls.h"
#include "windows/Desktop.h"
#include "windows/DeviceChoice.h"
#include "windows/Keyboard.h"

#include <QComboBox>
#include <QDateTime>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>

#include <array>
#include <vector>

namespace windows {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(DeviceChoice& devices, game::Session& session, Keyboard& keyboard, game::Clock& clock,
               Desktop& desktop);

    // Start-up: settings, device list, port, GS reset.
    void startUp();
    // False when start-up ended the program (no MIDI output device at all).
    bool startedUp() const { return startedUp_; }

    void onPianoKeyPressed(int number);
    void onPianoKeyReleased(int number);
    void onDeviceChosen();
    void onClockTick();
    void finishRun();

    // The on-screen keys 1 ... 24, by their number in game::PianoKeys().
    ui::Shape* pianoKey(int number) const { return pianoKeys_[std::size_t(number - 1)]; }
    int selectedDeviceId() const { return devices_.deviceId(); }

    // The controls, for tests and the program object.
    ui::Button* referenceButton() const { return referenceButton_; }
    ui::Button* hintButton() const { return hintButton_; }
    QComboBox* deviceList() const { return deviceList_; }
    ui::Label* creditLabel() const { return creditLabel_; }
    QStatusBar* clockStatusBar() const { return clockStatusBar_; }
    QTimer* clockTimer() const { return clockTimer_; }
    QMenu* settingsMenu() const { return settingsMenu_; }
    QAction* difficultyEntry() const { return difficultyEntry_; }
    QAction* instrumentEntry() const { return instrumentEntry_; }
    QMenu* referencePitchMenu() const { return referencePitchMenu_; } // 基準ピッチ(A)
    // The entry of `hertz` in the reference-pitch menu, null for a pitch not on offer.
    QAction* referencePitchEntry(int hertz) const;
    QMenu* recordsMenu() const { return recordsMenu_; }           // 記録(R)
    QAction* historyEntry() const { return historyEntry_; }       // 成績の推移(K)…
    QMenu* practiceMenu() const { return practiceMenu_; }         // 練習(P)
    QAction* beatWindowEntry() const { return beatWindowEntry_; } // うなりの聴き比べ(B)…
    QAction* examEntry() const { return examEntry_; } // 検定モード(X)…, in an exam 検定モードを終える(X)
    QAction* comparisonEntry() const { return comparisonEntry_; } // うなりの速さ比べ(C)…
    QAction* unisonEntry() const { return unisonEntry_; }         // ユニゾン(U)…

signals:
    void hintRequested();
    void difficultyDialogRequested();
    void instrumentDialogRequested();
    void historyRequested();
    void beatWindowRequested();
    void examDialogRequested();
    void comparisonWindowRequested();
    void unisonWindowRequested();
    // The main window became the active window.
    void activated();
    // The run ends: the settings are saved; what else must be kept is to be written now, before the
    // device is silenced, set back to equal temperament and closed.
    void runFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createKeyboard(QWidget* client);
    void createControls(QWidget* client);
    void createMenu();
    void placeWindow(const game::WindowBounds& stored);
    void saveSettings();
    game::WindowBounds boundsToSave() const;
    void showNote(int note, bool held);
    void showSettingsLock(game::SettingsLock lock);
    void createReferencePitchMenu();
    void onExamEntry();
    void showExamEntry();
    void showReferencePitch(int hertz);
    QString settingsLockText() const;

    DeviceChoice& devices_;
    game::Session& session_;
    Keyboard& keyboard_;
    game::Clock& clock_;
    Desktop& desktop_;
    std::array<ui::Shape*, 24> pianoKeys_{};
    game::IniDocument settingsFile_;
    std::int32_t mapValue_ = game::kDefaultMapValue;
    bool startedUp_ = false;
    bool closed_ = false;
    bool settingsMenuOpen_ = false;
    game::WindowBounds storedBounds_;  // the window's bounds as the settings file gave them
    game::WindowBounds appliedBounds_; // what the window was given for them, on a screen
    QDateTime deviceReturnedAt_;       // when the device last came back; invalid until then
    ui::Button* referenceButton_ = nullptr;
    ui::Button* hintButton_ = nullptr;
    QComboBox* deviceList_ = nullptr;
    ui::Label* creditLabel_ = nullptr;
    QStatusBar* clockStatusBar_ = nullptr;
    QTimer* clockTimer_ = nullptr;
    QMenu* settingsMenu_ = nullptr;
    QAction* difficultyEntry_ = nullptr;
    QAction* instrumentEntry_ = nullptr;
    QMenu* referencePitchMenu_ = nullptr;
    QMenu* recordsMenu_ = nullptr;
    QAction* historyEntry_ = nullptr;
    QMenu* practiceMenu_ = nullptr;
    QAction* beatWindowEntry_ = nullptr;
    QAction* examEntry_ = nullptr;
    QAction* comparisonEntry_ = nullptr;
    QAction* unisonEntry_ = nullptr;
};

} // namespace windows
