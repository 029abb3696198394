// SPDX-License-Identifier: GPL-3.0-or-later
// The exam dialog: a time limit, then the exam's challenge.
#include "windows/ExamDialog.h"

#include "game/ExamScore.h"
#include "ui/DesignLayout.h"

#include <QAbstractButton>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace windows {

ExamDialog::ExamDialog(game::Session& session) : session_(session)
{
    setWindowTitle(QStringLiteral("検定モード"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(ui::FormFont());
    resize(250, 215);
    ui::CloseOnEscape(this);
    ui::ShowFocus(this);
    auto* explanation = new QLabel(QStringLiteral("特級（１セント単位）で１回挑戦します。時間になると、"
                                                  "そのときのスライダーで答え合わせをします。"),
                                   this);
    explanation->setWordWrap(true);
    explanation->setGeometry(8, 8, 234, 50);
    limitGroup_ = new QGroupBox(QStringLiteral("制限時間"), this);
    limitGroup_->setGeometry(8, 62, 234, 105);
    auto* column = new QVBoxLayout(limitGroup_);
    buttons_ = new QButtonGroup(this);
    for (const int limit : game::kExamMinutes) {
        auto* item = new QRadioButton(QStringLiteral("%1分").arg(limit), limitGroup_);
        column->addWidget(item);
        buttons_->addButton(item, limit);
    }
    setMinutes(game::kDefaultExamMinutes);
    startButton_ = new ui::Button(this, QStringLiteral("開始(&S)"), {80, 178, 90, 25});
    connect(startButton_, &QPushButton::clicked, this, &ExamDialog::onStartClicked);
    ui::KeepDesign(this);
    ui::WidenForTitle(this);
}

void ExamDialog::setMinutes(int minutes)
{
    if (QAbstractButton* item = buttons_->button(minutes)) {
        item->setChecked(true);
        item->setFocus();
    }
}

void ExamDialog::onStartClicked()
{
    hide();
    session_.startExam(minutes());
}

} // namespace windows
