// SPDX-License-Identifier: GPL-3.0-or-later
// TForm3, the results window: both tunings and the score, the next challenge, quit, board, report.
#include "tessalyUnit3.h"

#include "game/Report.h"
#include "game/Score.h"
#include "platform/Desktop.h"
#include "platform/System.h"
#include "port/Messages.h"
#include "tessalyUnit1.h"
#include "tessalyUnit2.h"
#include "tessalyUnit6.h"
#include "tessalyUnit7.h"

#include <QCloseEvent>

TForm3* Form3 = nullptr;

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

TForm3::TForm3()
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

void TForm3::createTable()
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
            cell->setObjectName(QStringLiteral("StaticText%1").arg(column * 12 + k + 1));
            staticTexts_[std::size_t(column * 12 + k)] = cell;
        }
    }
}

void TForm3::createScore()
{
    MakeLabel(this, QStringLiteral("点数は……"), {16, 352}, 27);
    Label16 = MakeLabel(this, QStringLiteral("100"), {160, 344}, 33);
    QPalette red = Label16->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    Label16->setPalette(red);
    MakeLabel(this, QStringLiteral("点"), {224, 352}, 27);
}

void TForm3::createButtons()
{
    Button3 = new ui::Button(this, QStringLiteral("結果をクリップボードに出力"), {32, 392, 201, 25});
    Button4 = new ui::Button(this, QStringLiteral("結果報告掲示板へ"), {32, 424, 201, 25});
    Button4->setToolTip(QStringLiteral("インターネットへの接続が伴います"));
    Button2 = new ui::Button(this, QStringLiteral("もう一度挑戦"), {32, 456, 97, 25});
    Button1 = new ui::Button(this, QStringLiteral("終了"), {136, 456, 97, 25});
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Button4);
    connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
    connect(Button2, &ui::Button::mouseDown, this, &TForm3::Button2MouseDown);
    connect(Button2, &ui::Button::mouseUp, this, &TForm3::Button2MouseUp);
    connect(Button2, &QPushButton::clicked, this, &TForm3::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm3::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm3::Button4Click);
}

void TForm3::FormCreate()
{
    showCorrectTuning(DetuneTable);
}

void TForm3::showPlayerCents(int pitchClass, int cents)
{
    PlayerCell(pitchClass)->setText(game::CentsText(cents));
}

void TForm3::showCorrectTuning(const game::DetuneArray& detune)
{
    for (int k = 0; k < game::kPitchClasses; ++k)
        CorrectCell(k)->setText(game::CentsText(-detune[std::size_t(k)]));
}

QStringList TForm3::column(int firstCell) const
{
    QStringList texts;
    for (int k = 0; k < game::kPitchClasses; ++k)
        texts << staticTexts_[std::size_t(firstCell + k)]->text();
    return texts;
}

QStringList TForm3::playerColumn() const
{
    return column(0);
}

QStringList TForm3::correctColumn() const
{
    return column(game::kPitchClasses);
}

void TForm3::showScore()
{
    Label16->setText(QString::number(game::ScoreOf(playerColumn(), correctColumn())));
    Label16->adjustSize();
}

// The next challenge: answer button back, draw and send, sliders back. Every caller hides the
// window first, except the press on "もう一度挑戦" (see Button2MouseUp), and unlocks the settings after.
static void StartNextChallenge()
{
    Form2->enableAnswerButton();
    NewChallenge();
    ReferenceToneUsed = false;
    BeatWindowUsed = false;
    Form2->enableSliders();
}

void TForm3::Button2MouseDown()
{
    StartNextChallenge();
    Form1->unlockSettings();
    TuningStartTime = platform::Now();
}

// The window hides at the release, not at the press: a window hidden under the pressed button
// loses the mouse on a real display, and the release, with the click, would never come.
void TForm3::Button2MouseUp()
{
    hide();
    Form1->unlockSettings();
    TuningStartTime = platform::Now();
}

void TForm3::Button2Click()
{
    TuningStartTime = platform::Now();
}

void TForm3::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void TForm3::FormClose()
{
    hide();
    StartNextChallenge();
    Form1->unlockSettings();
    midi::SendAllSoundOff(midi::kKeysChannel);
}

void TForm3::Button1Click()
{
    Form1->close();
}

void TForm3::Button3Click()
{
    game::ReportInputs inputs;
    inputs.player = playerColumn();
    inputs.correct = correctColumn();
    inputs.score = Label16->text();
    inputs.device = Form1->ComboBox1->currentText();
    inputs.instrument = Form7->ComboBox1->currentText();
    inputs.difficulty = Difficulty();
    inputs.referenceToneUsed = ReferenceToneUsed;
    inputs.tuningStart = TuningStartTime;
    inputs.tuningEnd = TuningEndTime;
    Form6->AppendLines(game::ReportLines(inputs));
    platform::CurrentDesktop().setClipboardText(Form6->ReportText());
}

void TForm3::Button4Click()
{
    platform::CurrentDesktop().openUrl(QString::fromLatin1(kResultsBoardAddress));
}
