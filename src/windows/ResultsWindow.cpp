// SPDX-License-Identifier: GPL-3.0-or-later
// ResultsWindow, the results window: both tunings and the score, the next challenge, quit, board, report.
#include "windows/ResultsWindow.h"

#include "game/Report.h"
#include "game/ReportLog.h"
#include "game/Score.h"
#include "platform/Desktop.h"
#include "platform/System.h"
#include "port/Messages.h"
#include "windows/InstrumentDialog.h"
#include "windows/MainWindow.h"
#include "windows/TuningWindow.h"

#include <QCloseEvent>

ResultsWindow* theResultsWindow = nullptr;

namespace {

QLabel* MakeLabel(QWidget* parent, const QString& text, QPoint position, int pixelHeight = 12)
{
    auto* label = new QLabel(text, parent);
    label->setFont(ui::FormFont(pixelHeight));
    label->move(position);
    label->adjustSize();
    return label;
}

} // namespace

ResultsWindow::ResultsWindow()
{
    setWindowTitle(QStringLiteral("正解表示"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(ui::FormFont());
    move(918, 353);
    setFixedSize(278, 487);
    createTable();
    createScore();
    createButtons();
}

void ResultsWindow::createTable()
{
    MakeLabel(this, QStringLiteral("貴方の調律"), {72, 16});
    MakeLabel(this, QStringLiteral("正解の調律"), {176, 16});
    for (int k = 0; k < game::kPitchClasses; ++k) {
        const int top = 48 + 24 * k;
        MakeLabel(this, game::PitchClassName(k), {16, top});
        for (auto [column, left] : {std::pair{0, 80}, {1, 192}}) {
            auto* cell = new QLabel(QStringLiteral("0"), this);
            cell->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            cell->setGeometry(left, top, 25, 16);
            cell->setObjectName(QStringLiteral("cell%1").arg(column * 12 + k + 1));
            cells_[std::size_t(column * 12 + k)] = cell;
        }
    }
}

void ResultsWindow::createScore()
{
    MakeLabel(this, QStringLiteral("点数は……"), {16, 352}, 27);
    scoreLabel = MakeLabel(this, QStringLiteral("100"), {160, 344}, 33);
    QPalette red = scoreLabel->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    scoreLabel->setPalette(red);
    MakeLabel(this, QStringLiteral("点"), {224, 352}, 27);
}

void ResultsWindow::createButtons()
{
    clipboardButton = new ui::Button(this, QStringLiteral("結果をクリップボードに出力"), {32, 392, 201, 25});
    boardButton = new ui::Button(this, QStringLiteral("結果報告掲示板へ"), {32, 424, 201, 25});
    boardButton->setToolTip(QStringLiteral("インターネットへの接続が伴います"));
    retryButton = new ui::Button(this, QStringLiteral("もう一度挑戦"), {32, 456, 97, 25});
    quitButton = new ui::Button(this, QStringLiteral("終了"), {136, 456, 97, 25});
    setTabOrder(quitButton, retryButton);
    setTabOrder(retryButton, clipboardButton);
    setTabOrder(clipboardButton, boardButton);
    connect(quitButton, &QPushButton::clicked, this, &ResultsWindow::onQuitClicked);
    connect(retryButton, &ui::Button::mouseDown, this, &ResultsWindow::onRetryPressed);
    connect(retryButton, &ui::Button::mouseUp, this, &ResultsWindow::onRetryReleased);
    connect(retryButton, &QPushButton::clicked, this, &ResultsWindow::onRetryClicked);
    connect(clipboardButton, &QPushButton::clicked, this, &ResultsWindow::onClipboardClicked);
    connect(boardButton, &QPushButton::clicked, this, &ResultsWindow::onBoardClicked);
}

void ResultsWindow::startUp()
{
    showCorrectTuning(DetuneTable);
}

void ResultsWindow::showPlayerCents(int pitchClass, int cents)
{
    PlayerCell(pitchClass)->setText(game::CentsText(cents));
}

void ResultsWindow::showCorrectTuning(const game::DetuneArray& detune)
{
    for (int k = 0; k < game::kPitchClasses; ++k)
        CorrectCell(k)->setText(game::CentsText(-detune[std::size_t(k)]));
}

QStringList ResultsWindow::column(int firstCell) const
{
    QStringList texts;
    for (int k = 0; k < game::kPitchClasses; ++k)
        texts << cells_[std::size_t(firstCell + k)]->text();
    return texts;
}

QStringList ResultsWindow::playerColumn() const
{
    return column(0);
}

QStringList ResultsWindow::correctColumn() const
{
    return column(game::kPitchClasses);
}

void ResultsWindow::showScore()
{
    scoreLabel->setText(QString::number(game::ScoreOf(playerColumn(), correctColumn())));
    scoreLabel->adjustSize();
}

// The next challenge: answer button back, draw and send, sliders back. Every caller hides the
// window first, except the press on "もう一度挑戦" (see onRetryReleased), and unlocks the settings after.
static void StartNextChallenge()
{
    theTuningWindow->enableAnswerButton();
    NewChallenge();
    ReferenceToneUsed = false;
    theTuningWindow->enableSliders();
}

void ResultsWindow::onRetryPressed()
{
    StartNextChallenge();
    theMainWindow->unlockSettings();
    TuningStartTime = platform::Now();
}

// The window hides at the release, not at the press: a window hidden under the pressed button
// loses the mouse on a real display, and the release, with the click, would never come.
void ResultsWindow::onRetryReleased()
{
    hide();
    theMainWindow->unlockSettings();
    TuningStartTime = platform::Now();
}

void ResultsWindow::onRetryClicked()
{
    TuningStartTime = platform::Now();
}

void ResultsWindow::closeEvent(QCloseEvent* event)
{
    onClosed();
    event->accept();
}

void ResultsWindow::onClosed()
{
    hide();
    StartNextChallenge();
    theMainWindow->unlockSettings();
    midi::SendAllSoundOff(midi::kKeysChannel);
}

void ResultsWindow::onQuitClicked()
{
    theMainWindow->close();
}

void ResultsWindow::onClipboardClicked()
{
    game::ReportInputs inputs;
    inputs.player = playerColumn();
    inputs.correct = correctColumn();
    inputs.score = scoreLabel->text();
    inputs.device = theMainWindow->deviceList->currentText();
    inputs.instrument = theInstrumentDialog->instrumentList->currentText();
    inputs.difficulty = Difficulty();
    inputs.referenceToneUsed = ReferenceToneUsed;
    inputs.tuningStart = TuningStartTime;
    inputs.tuningEnd = TuningEndTime;
    reportLog_.append(game::ReportLines(inputs));
    platform::CurrentDesktop().setClipboardText(reportLog_.text());
}

void ResultsWindow::onBoardClicked()
{
    platform::CurrentDesktop().openUrl(QString::fromLatin1(kResultsBoardAddress));
}
