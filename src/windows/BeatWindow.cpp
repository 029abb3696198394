// SPDX-License-Identifier: GPL-3.0-or-later
// The beat window: rows built from the tuning order, playing through the links it was given.
#include "windows/BeatWindow.h"

#include "history/BeatRates.h"
#include "ui/Controls.h"

#include <QGridLayout>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace windows {

namespace {

const QString kPlayText = QStringLiteral("再生");
const QString kStopText = QStringLiteral("停止");
const QString kExternalDeviceTip =
    QStringLiteral("外部のＭＩＤＩ機器は音を機器の中で作るので、強調できません。"
                   "内蔵GSシンセサイザーを選ぶと使えます。");
const QString kEmphasisTip =
    QStringLiteral("重なる倍音のあたりだけを大きくして、うなりを聞き取りやすくします。");

QString IntroText(PartialsKnown known)
{
    const QString plays = QStringLiteral("調律の順番の各音程を、今の調律で4秒間鳴らします。");
    switch (known) {
    case PartialsKnown::FromInstrument:
        return plays + QStringLiteral("表の「うなり」は、いま鳴っている楽器で平均律にしたときの速さと、"
                                      "純正より狭いか広いかです。");
    case PartialsKnown::Measuring:
        return plays + QStringLiteral("この楽器の倍音を測っています。それまで表の「うなり」は教科書の値"
                                      "（倍音がちょうど整数倍のとき）です。");
    case PartialsKnown::Textbook:
        break;
    }
    return plays + QStringLiteral("外部のＭＩＤＩ機器の倍音はわからないので、表の「うなり」は教科書の値"
                                  "（倍音がちょうど整数倍のとき）で、平均律にしたときの速さと向きです。");
}

// The window's content, scrolled only where the window is smaller than it: at its own size the
// window shows all of it, and on a small screen it may shrink to a third of its height rather than
// open over the keys or the sliders.
class ContentArea : public QScrollArea {
public:
    explicit ContentArea(QWidget* content)
    {
        setWidget(content);
        setWidgetResizable(true);
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setFocusPolicy(Qt::NoFocus); // Tab goes from button to button, scrolling them into sight
    }
    // All of the content, with room for the scroll bar it gets in a smaller window.
    QSize sizeHint() const override
    {
        return widget()->sizeHint() + QSize(verticalScrollBar()->sizeHint().width(), 0);
    }
    QSize minimumSizeHint() const override { return {sizeHint().width(), widget()->sizeHint().height() / 3}; }
};

// "1.49 Hz（狭い）": how fast the step beats in equal temperament and which way it is off pure.
QString RateText(const std::optional<history::CoincidentPartials>& partials)
{
    const QString rate = history::BeatRateText(partials ? std::optional(partials->beatRate()) : std::nullopt);
    if (!partials || partials->beatRate() < 0.005)
        return rate;
    return rate + (partials->widening() > 0 ? QStringLiteral("（広い）") : QStringLiteral("（狭い）"));
}

} // namespace

BeatWindow::BeatWindow(BeatWindowLinks links) : links_(std::move(links))
{
    setWindowTitle(QStringLiteral("うなりの聴き比べ"));
    setWindowFlags(Qt::Window);
    setFont(ui::FormFont());
    ui::CloseOnEscape(this);
    ui::ShowFocus(this);
    introLabel_ = new QLabel(IntroText(PartialsKnown::Textbook));
    introLabel_->setWordWrap(true);
    emphasisBox_ = new QCheckBox(QStringLiteral("うなりを強調(&E)"));
    emphasisBox_->setAccessibleName(QStringLiteral("うなりを強調"));
    connect(emphasisBox_, &QCheckBox::toggled, this, &BeatWindow::followEmphasis);
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->addWidget(introLabel_);
    layout->addWidget(createSteps());
    layout->addWidget(emphasisBox_);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 0);
    window->addWidget(new ContentArea(content));
    clockTimer_ = new QTimer(this);
    clockTimer_->setInterval(100);
    connect(clockTimer_, &QTimer::timeout, this, &BeatWindow::onClockTick);
    followDevice();
    followInstrument();
}

QWidget* BeatWindow::createSteps()
{
    auto* steps = new QWidget;
    auto* grid = new QGridLayout(steps);
    const QStringList headers = {QStringLiteral("音"), QStringLiteral("音程"),
                                 QStringLiteral("うなり（平均律）"), QString()};
    for (int column = 0; column < headers.size(); ++column)
        grid->addWidget(new QLabel(headers[column]), 0, column);
    QWidget* previous = nullptr;
    for (int i = 0; i < history::kPitchClasses; ++i) {
        const history::TuningStep& step = history::TuningOrder()[std::size_t(i)];
        const QString name = history::StepName(i);
        grid->addWidget(new QLabel(name), i + 1, 0);
        grid->addWidget(new QLabel(history::IntervalName(step.interval)), i + 1, 1);
        rateLabels_[std::size_t(i)] = new QLabel;
        // As wide as its widest text from the start: the window keeps its size, and its place clear
        // of the others, when the instrument or its measurement changes the rates.
        rateLabels_[std::size_t(i)]->setMinimumWidth(
            rateLabels_[std::size_t(i)]->fontMetrics().horizontalAdvance(RateText(std::nullopt)));
        grid->addWidget(rateLabels_[std::size_t(i)], i + 1, 2);
        auto* button = new ui::Button(kPlayText);
        button->setAccessibleName(
            QStringLiteral("%1 %2 %3")
                .arg(name.section(u' ', 1), history::IntervalName(step.interval), kPlayText));
        connect(button, &QPushButton::clicked, this, [this, i] { onPlayClicked(i); });
        grid->addWidget(button, i + 1, 3);
        if (previous)
            setTabOrder(previous, button);
        previous = button;
        playButtons_[std::size_t(i)] = button;
    }
    return steps;
}

void BeatWindow::onPlayClicked(int step)
{
    const bool wasPlaying = playing_ == step;
    stop();
    if (!wasPlaying)
        start(step);
}

void BeatWindow::start(int step)
{
    const history::TuningStep& notes = history::TuningOrder()[std::size_t(step)];
    playing_ = step;
    playStart_ = links_.clock->now();
    for (int note : {history::LowerNote(notes), history::UpperNote(notes)}) {
        links_.sound(note, true);
        links_.showKey(note, true);
    }
    playButtons_[std::size_t(step)]->setText(kStopText);
    followEmphasis();
    links_.used();
}

void BeatWindow::stop()
{
    if (!playing_)
        return;
    const int step = *playing_;
    playing_.reset();
    const history::TuningStep& notes = history::TuningOrder()[std::size_t(step)];
    for (int note : {history::LowerNote(notes), history::UpperNote(notes)}) {
        links_.sound(note, false);
        links_.showKey(note, false);
    }
    playButtons_[std::size_t(step)]->setText(kPlayText);
    followEmphasis();
}

void BeatWindow::onClockTick()
{
    followDevice();
    followInstrument();
    if (playing_ && playStart_.msecsTo(links_.clock->now()) >= kPlayMs)
        stop();
    else
        followEmphasis(); // a slider moved meanwhile: the band glides after the partials
}

void BeatWindow::followEmphasis()
{
    output::BeatEmphasis* emphasis = links_.emphasis();
    if (!emphasis)
        return;
    if (!playing_ || !emphasisBox_->isChecked()) {
        emphasis->stopEmphasis();
        return;
    }
    const history::TuningStep& step = history::TuningOrder()[std::size_t(*playing_)];
    const history::Cents cents = links_.tuning();
    const double shift = links_.pitchCents();
    const auto centsOf = [&](int note) {
        return shift + double(cents[std::size_t(note % history::kPitchClasses)]);
    };
    const double lower = centsOf(history::LowerNote(step)), upper = centsOf(history::UpperNote(step));
    const auto partials = history::PartialsOf(step, lower, upper, links_.partials().offsets);
    emphasis->emphasize(partials ? partials->centre() : history::PartialsOf(step, lower, upper).centre());
}

// The instrument, its measurement or the device may change while the window is open.
void BeatWindow::followInstrument()
{
    const BeatPartials partials = links_.partials();
    introLabel_->setText(IntroText(partials.known));
    for (int i = 0; i < history::kPitchClasses; ++i) {
        const history::TuningStep& step = history::TuningOrder()[std::size_t(i)];
        const double shift = links_.pitchCents();
        const QString text = RateText(history::PartialsOf(step, shift, shift, partials.offsets));
        if (rateLabels_[std::size_t(i)]->text() != text)
            rateLabels_[std::size_t(i)]->setText(text);
    }
}

// The player may switch to or from an external device while the window is open.
void BeatWindow::followDevice()
{
    const bool builtIn = links_.emphasis() != nullptr;
    if (builtIn == emphasisBox_->isEnabled() && !emphasisBox_->toolTip().isEmpty())
        return;
    emphasisBox_->setEnabled(builtIn);
    emphasisBox_->setToolTip(builtIn ? kEmphasisTip : kExternalDeviceTip);
    emphasisBox_->setAccessibleDescription(emphasisBox_->toolTip());
}

// The clock runs only while the window is shown: a closed window costs nothing.
void BeatWindow::showEvent(QShowEvent* event)
{
    followDevice();
    followInstrument();
    clockTimer_->start();
    QWidget::showEvent(event);
}

void BeatWindow::hideEvent(QHideEvent* event)
{
    stop(); // nothing sounds from a window the player cannot see
    clockTimer_->stop();
    QWidget::hideEvent(event);
}

} // namespace windows
