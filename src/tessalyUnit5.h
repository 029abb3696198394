// SPDX-License-Identifier: GPL-3.0-or-later
// TForm5, the difficulty dialog: its selection is the game's difficulty.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QWidget>

class TForm5 : public QWidget {
    Q_OBJECT
public:
    TForm5();
    void FormCreate();
    void RadioGroup1Click();

    // The selected item, 0 ... 3.
    int RadioGroup1Index() const { return buttons_->checkedId(); }
    void setRadioGroup1Index(int index);

    QGroupBox* RadioGroup1 = nullptr;

private:
    QButtonGroup* buttons_ = nullptr;
};

extern TForm5* Form5;
