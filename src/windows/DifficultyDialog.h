// SPDX-License-Identifier: GPL-3.0-or-later
// DifficultyDialog, the difficulty dialog: its selection is the game's difficulty.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QWidget>

class DifficultyDialog : public QWidget {
    Q_OBJECT
public:
    DifficultyDialog();
    void startUp();
    void onLevelChosen();

    // The selected item, 0 ... 3.
    int level() const { return buttons_->checkedId(); }
    void setLevel(int index);

    QGroupBox* levelGroup = nullptr;

private:
    QButtonGroup* buttons_ = nullptr;
};

extern DifficultyDialog* theDifficultyDialog;
