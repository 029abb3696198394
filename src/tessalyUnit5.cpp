// SPDX-License-Identifier: GPL-3.0-or-later
// TForm5, the difficulty dialog: four levels, a new challenge whenever the level changes.
#include "tessalyUnit5.h"

#include "game/Challenge.h"
#include "game/Report.h"
#include "tessalyUnit2.h"
#include "ui/Controls.h"

#include <QAbstractButton>
#include <QRadioButton>
#include <QVBoxLayout>

TForm5* Form5 = nullptr;

TForm5::TForm5()
{
    setWindowTitle(QStringLiteral("難易度の設定"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(ui::FormFont());
    ui::SetBounds(this, {184, 111, 170, 182});
    RadioGroup1 = new QGroupBox(QStringLiteral("難易度"), this);
    RadioGroup1->setGeometry(8, 8, 145, 137);
    auto* column = new QVBoxLayout(RadioGroup1);
    buttons_ = new QButtonGroup(this);
    for (int index = 0; index < game::kDifficulties; ++index) {
        auto* item = new QRadioButton(game::DifficultyItemText(index), RadioGroup1);
        column->addWidget(item);
        buttons_->addButton(item, index);
    }
    buttons_->button(0)->setChecked(true);
    // Fires only when the selection moves to another item.
    connect(buttons_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            RadioGroup1Click();
    });
}

void TForm5::setRadioGroup1Index(int index)
{
    buttons_->button(index)->setChecked(true);
}

void TForm5::FormCreate()
{
    NewChallenge();
}

void TForm5::RadioGroup1Click()
{
    NewChallenge();
}
