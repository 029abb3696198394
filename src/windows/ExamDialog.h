// SPDX-License-Identifier: GPL-3.0-or-later
// The exam dialog "検定モード": the time limit (10, 20 or 30 minutes) and the start of one exam
// challenge at 特級.
#pragma once

#include "game/Session.h"
#include "ui/Controls.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QWidget>

namespace windows {

class ExamDialog : public QWidget {
    Q_OBJECT
public:
    explicit ExamDialog(game::Session& session);
    void onStartClicked();

    // The time limit chosen, in minutes.
    int minutes() const { return buttons_->checkedId(); }
    void setMinutes(int minutes);

    // The controls, for tests and the program object.
    QGroupBox* limitGroup() const { return limitGroup_; }
    ui::Button* startButton() const { return startButton_; }

private:
    game::Session& session_;
    QButtonGroup* buttons_ = nullptr;
    QGroupBox* limitGroup_ = nullptr;
    ui::Button* startButton_ = nullptr;
};

} // namespace windows
