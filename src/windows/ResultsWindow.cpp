// SPDX-License-Identifier: GPL-3.0-or-later
// The results window "正解表示": both tunings and the score, the next challenge, quit, board, report.
#include "windows/ResultsWindow.h"

#include "game/ExamScore.h"
#include "game/Report.h"
#include "ui/Accessibility.h"
#include "ui/DesignLayout.h"

#include <QCloseEvent>

#include <utility>

namespace windows {

namespace {

QLabel* MakeLabel(QWidget* parent, const QString& text, QPoint position, int pixelHeight = 12)
{
    auto* label = new QLabel(text, parent);
    label->setFont(ui::FormFont(pixelHeight));
    label->move(position);
    label->adjustSize();
    return label;
}

const QString kPlayerColumn = QStringLiteral("貴方の調律");
const QString kCorrectColumn = QStringLiteral("正解の調律");

// A cell's text, and its name for a screen reader: its note and its column with the value, since
// the cells are loose labels that no table ties together.
void SetCell(QLabel* cell, int pitchClass, const QString& column, int cents)
{
    cell->setText(game::CentsText(cents));
    cell->setAccessibleName(
        QStringLiteral("%1 %2 %3").arg(game::PitchClassName(pitchClass), column, ui::CentsText(cents)));
}

} // namespace

ResultsWindow::ResultsWindow(game::Sound& sound, game::Session& session, Desktop& desktop,
                             const QString& boardAddress)
    : sound_(sound), desktop_(desktop), session_(session), boardAddress_(boardAddress)
{
    setWindowTitle(QStringLiteral("正解表示"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(ui::FormFont());
    resize(278, 560);
    createTable();
    createScore();
    createButtons();
    ui::KeepDesign(this);
    ui::CloseOnEscape(this);
    connect(&session_, &game::Session::positionChanged, this,
            [this](int k) { SetCell(PlayerCell(k), k, kPlayerColumn, session_.playerCents(k)); });
    connect(&session_, &game::Session::challengeStarted, this, &ResultsWindow::showChallenge);
    showChallenge(); // made once the first challenge has started
}

void ResultsWindow::createTable()
{
    table_.push_back(MakeLabel(this, kPlayerColumn, {72, 16}));
    table_.push_back(MakeLabel(this, kCorrectColumn, {176, 16}));
    for (int k = 0; k < game::kPitchClasses; ++k) {
        const int top = 48 + 24 * k;
        table_.push_back(MakeLabel(this, game::PitchClassName(k), {16, top}));
        for (auto [column, left] : {std::pair{0, 80}, {1, 192}}) {
            auto* cell = new QLabel(QStringLiteral("0"), this);
            cell->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            cell->setGeometry(left, top, 25, 16);
            cell->setObjectName(QStringLiteral("%1Cell%2").arg(column == 0 ? "player" : "correct").arg(k));
            cells_[std::size_t(column * 12 + k)] = cell;
            table_.push_back(cell);
        }
    }
    errorChart_ = new ErrorChart(this);
    errorChart_->setGeometry(4, 8, 270, 328);
    errorChart_->hide();
    // The table and the chart take turns in one place.
    ui::KeepPlaceWhenHidden(errorChart_);
    for (QLabel* label : table_)
        ui::KeepPlaceWhenHidden(label);
}

void ResultsWindow::createScore()
{
    MakeLabel(this, QStringLiteral("点数は……"), {16, 352}, 27);
    scoreLabel_ = MakeLabel(this, QStringLiteral("100"), {160, 344}, 33);
    QPalette red = scoreLabel_->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    scoreLabel_->setPalette(red);
    MakeLabel(this, QStringLiteral("点"), {224, 352}, 27);
    examLabel_ = new QLabel(this);
    examLabel_->setGeometry(16, 520, 250, 34);
    examLabel_->setToolTip(game::ExaminersRuleText());
    ui::KeepPlaceWhenHidden(examLabel_);
    examLabel_->hide();
}

void ResultsWindow::createButtons()
{
    clipboardButton_ = new ui::Button(this, QStringLiteral("結果をクリップボードに出力"), {32, 392, 201, 25});
    boardButton_ = new ui::Button(this, QStringLiteral("結果報告掲示板へ"), {32, 424, 201, 25});
    ui::OfferBoard(boardButton_, !boardAddress_.isEmpty());
    retryButton_ = new ui::Button(this, QStringLiteral("もう一度挑戦"), {32, 456, 97, 25});
    quitButton_ = new ui::Button(this, QStringLiteral("終了"), {136, 456, 97, 25});
    setTabOrder(quitButton_, retryButton_);
    setTabOrder(retryButton_, clipboardButton_);
    setTabOrder(clipboardButton_, boardButton_);
    chartButton_ = new ui::Button(this, QStringLiteral("誤差のグラフ(&G)"), {32, 488, 201, 25});
    chartButton_->setCheckable(true);
    setTabOrder(boardButton_, chartButton_);
    connect(chartButton_, &QPushButton::toggled, this, &ResultsWindow::onChartToggled);
    connect(quitButton_, &QPushButton::clicked, this, &ResultsWindow::quitRequested);
    connect(retryButton_, &ui::Button::mouseDown, this, &ResultsWindow::onRetryPressed);
    connect(retryButton_, &ui::Button::mouseUp, this, &ResultsWindow::onRetryReleased);
    connect(retryButton_, &QPushButton::clicked, this, &ResultsWindow::onRetryClicked);
    connect(clipboardButton_, &QPushButton::clicked, this, &ResultsWindow::onClipboardClicked);
    connect(boardButton_, &QPushButton::clicked, this, &ResultsWindow::onBoardClicked);
}

// The correct column as the new challenge has it, the player's column at 0; the window hides, but
// not under a pressed "もう一度挑戦": a window hidden under the pressed button loses the mouse on
// a real display, and the release would never come.
void ResultsWindow::showChallenge()
{
    for (int k = 0; k < game::kPitchClasses; ++k) {
        SetCell(PlayerCell(k), k, kPlayerColumn, session_.playerCents(k));
        SetCell(CorrectCell(k), k, kCorrectColumn, -session_.detune()[std::size_t(k)]);
    }
    if (!retryPressed_)
        hide();
}

void ResultsWindow::showResult(const game::CheckResult& result)
{
    for (int k = 0; k < game::kPitchClasses; ++k) {
        SetCell(PlayerCell(k), k, kPlayerColumn, result.player[std::size_t(k)]);
        SetCell(CorrectCell(k), k, kCorrectColumn, result.correct[std::size_t(k)]);
    }
    scoreLabel_->setText(QString::number(result.score));
    scoreLabel_->setAccessibleName(QStringLiteral("点数 %1点").arg(result.score));
    scoreLabel_->adjustSize();
    game::Cents errors{};
    for (int k = 0; k < game::kPitchClasses; ++k)
        errors[std::size_t(k)] = result.player[std::size_t(k)] - result.correct[std::size_t(k)];
    errorChart_->showErrors(errors);
    showExam(result);
    show();
    retryButton_->setFocus(); // Return starts the next challenge
    ui::ShowFocus(this);
}

// The rule stands in the label's tooltip and, for a screen reader, in its description.
void ResultsWindow::showExam(const game::CheckResult& result)
{
    examLabel_->setVisible(result.isExam());
    if (!result.isExam())
        return;
    examLabel_->setText(game::ExamResultText(result) + u'\n' + game::ExamTimeText(result, QLocale::system()));
    examLabel_->setAccessibleName(examLabel_->text());
    examLabel_->setAccessibleDescription(game::ExaminersRuleText());
}

void ResultsWindow::onChartToggled(bool chart)
{
    for (QLabel* label : table_)
        label->setVisible(!chart);
    errorChart_->setVisible(chart);
}

void ResultsWindow::onRetryPressed()
{
    retryPressed_ = true;
    session_.startChallenge();
}

void ResultsWindow::onRetryReleased()
{
    if (std::exchange(retryPressed_, false))
        session_.restartClock();
    hide();
}

// From the keyboard (Return or Enter) the button starts the next challenge as the mouse does; after
// a mouse press the challenge has started already.
void ResultsWindow::onRetryClicked()
{
    if (session_.answerIsChecked())
        session_.startChallenge();
}

void ResultsWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (session_.answerIsChecked())
        session_.startChallenge();
    sound_.sendAllSoundOff(game::kKeysChannel);
}

void ResultsWindow::onClipboardClicked()
{
    desktop_.setClipboardText(session_.appendReport());
}

void ResultsWindow::onBoardClicked()
{
    OpenInBrowser(desktop_, boardAddress_);
}

} // namespace windows
