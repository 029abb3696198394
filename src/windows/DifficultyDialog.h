// SPDX-License-Identifier: GPL-3.0-or-later
// The difficulty dialog "難易度の設定": four levels; choosing another starts the next challenge.
#pragma once

#include "game/Session.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QWidget>

namespace windows {

class DifficultyDialog : public QWidget {
    Q_OBJECT
public:
    explicit DifficultyDialog(game::Session& session);
    void onLevelChosen();

    // The selected item, 0 ... 3.
    int level() const { return buttons_->checkedId(); }
    void setLevel(int index);

    // The controls, for tests and the program object.
    QGroupBox* levelGroup() const { return levelGroup_; }

private:
    game::Session& session_;
    QButtonGroup* buttons_ = nullptr;
    QGroupBox* levelGroup_ = nullptr;
};

} // namespace windows
