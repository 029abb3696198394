// SPDX-License-Identifier: GPL-3.0-or-later
// The difficulty dialog: four levels, a new challenge whenever the level changes.
#include "windows/DifficultyDialog.h"

#include "game/Report.h"
#include "ui/Controls.h"
#include "ui/DesignLayout.h"

#include <QAbstractButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace windows {

DifficultyDialog::DifficultyDialog(game::Session& session) : session_(session)
{
    setWindowTitle(QStringLiteral("難易度の設定"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(ui::FormFont());
    resize(170, 182);
    ui::CloseOnEscape(this);
    ui::ShowFocus(this);
    levelGroup_ = new QGroupBox(QStringLiteral("難易度"), this);
    levelGroup_->setGeometry(8, 8, 145, 137);
    auto* column = new QVBoxLayout(levelGroup_);
    buttons_ = new QButtonGroup(this);
    for (int index = 0; index < game::kDifficulties; ++index) {
        auto* item = new QRadioButton(game::DifficultyItemText(index), levelGroup_);
        column->addWidget(item);
        buttons_->addButton(item, index);
    }
    setLevel(0);
    ui::KeepDesign(this);
    ui::WidenForTitle(this);
    // Fires only when the selection moves to another item.
    connect(buttons_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            onLevelChosen();
    });
    // Locked by a slider move: disabled and out of sight until the answer check or the next challenge;
    // an exam's challenge locks it throughout.
    const auto showLock = [this] {
        const bool locked = session_.settingsLock() == game::SettingsLock::Locked || session_.examActive();
        setEnabled(!locked);
        if (locked)
            hide();
    };
    connect(&session_, &game::Session::settingsLockChanged, this, showLock);
    connect(&session_, &game::Session::challengeStarted, this, showLock);
}

void DifficultyDialog::setLevel(int index)
{
    buttons_->button(index)->setChecked(true);
    buttons_->button(index)->setFocus(); // the arrow keys move on from the level in force
}

void DifficultyDialog::onLevelChosen()
{
    session_.chooseDifficulty(level());
}

} // namespace windows
