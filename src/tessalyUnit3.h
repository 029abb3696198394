// TForm3, the results window: both tunings, the score, retry, quit, the board, and the clipboard report.
#pragma once

#include "ui/Controls.h"

#include <QLabel>
#include <QWidget>

#include <array>

// The results bulletin board: a script address with an empty query; nothing is appended.
inline constexpr char kResultsBoardAddress[] = "https://velmora.example/board/results.cgi?";

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

    std::array<QLabel*, 24> staticTexts_{};
    QLabel* Label16 = nullptr;
    ui::Button* Button1 = nullptr;
    ui::Button* Button2 = nullptr;
    ui::Button* Button3 = nullptr;
    ui::Button* Button4 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createTable();
    void createScore();
    void createButtons();
    void enableSettings();
};

extern TForm3* Form3;
