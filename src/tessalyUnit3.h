// SPDX-License-Identifier: GPL-3.0-or-later
// TForm3, the results window: both tunings, the score, retry, quit, the board, and the clipboard report.
#pragma once

#include "game/Challenge.h"
#include "ui/Controls.h"

#include <QLabel>
#include <QWidget>

#include <array>

class TForm3 : public QWidget {
    Q_OBJECT
public:
    TForm3();
    void FormCreate();

    void Button1Click();
    void Button2MouseDown();
    void Button2MouseUp();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void FormClose();

    // StaticText1 ... StaticText12: the player's tuning of pitch class 0 ... 11.
    QLabel* PlayerCell(int pitchClass) const { return staticTexts_[std::size_t(pitchClass)]; }
    // StaticText13 ... StaticText24: the correct tuning of pitch class 0 ... 11.
    QLabel* CorrectCell(int pitchClass) const { return staticTexts_[std::size_t(12 + pitchClass)]; }

    // The columns are the only record of both tunings: the sliders write the player's cells, a new
    // challenge the correct column (the detuning negated), and the answer check and the report
    // read both back as the texts they show.
    void showPlayerCents(int pitchClass, int cents);
    void showCorrectTuning(const game::DetuneArray& detune);
    QStringList playerColumn() const;
    QStringList correctColumn() const;
    // Label16 := the score of the two columns.
    void showScore();

    QLabel* Label16 = nullptr;
    ui::Button* Button1 = nullptr;
    ui::Button* Button2 = nullptr;
    ui::Button* Button3 = nullptr;
    ui::Button* Button4 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QStringList column(int firstCell) const;
    void createTable();
    void createScore();
    void createButtons();

    std::array<QLabel*, 24> staticTexts_{};
    QString boardAddress_; // from the settings file; empty: the board button is disabled
};

extern TForm3* Form3;
