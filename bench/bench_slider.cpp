// SPDX-License-Identifier: GPL-3.0-or-later
// The sliders on the built-in synthesizer as the player feels them: one step to retuned sound, a
// drag across 20 positions, a key pressed during a step. The whole program runs on the real
// synthesizer; a thread of the bench stands for the sound card, rendering 64-frame periods in real
// time and keeping the audio, in which the held note's pitch is measured before and after.
// Prints tab-separated rows: what, value, unit.
#include "BenchHost.h"
#include "PitchMeter.h"
#include "Rows.h"
#include "host/QtDesktop.h"
#include "synth/BuiltinSynthDevice.h"
#include "synth/GsSynthPort.h"
#include "windows/Program.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QWindow>

#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

using bench::Row;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPeriod = 64;
constexpr int kHeldKey = Qt::Key_D; // A3, pitch class A
constexpr int kPitchClassA = 9;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// The synthesizer, the sound card thread and what both saw, shared under one lock so that every
// message lands between two periods, as it does with a real audio driver.
struct Studio {
    std::mutex lock;
    std::unique_ptr<synth::GsSynthPort> synth;
    std::vector<float> audio; // left channel, every period rendered
    std::vector<Clock::time_point> periodDone;
    Clock::time_point lastLong, lastNoteOn;
    std::size_t periodsAtLastLong = 0;
    std::atomic<bool> running{true};
    std::thread soundCard;

    double rate() { return synth->synth().sampleRate(); }
    void start()
    {
        soundCard = std::thread([this] {
            const auto period = std::chrono::duration<double>(kPeriod / rate());
            const auto begin = Clock::now();
            std::vector<float> left(kPeriod), right(kPeriod);
            for (long n = 1; running; ++n) {
                {
                    std::lock_guard guard(lock);
                    synth->synth().render(left.data(), right.data(), kPeriod);
                    audio.insert(audio.end(), left.begin(), left.end());
                    periodDone.push_back(Clock::now());
                }
                std::this_thread::sleep_until(begin +
                                              std::chrono::duration_cast<Clock::duration>(n * period));
            }
        });
    }
    void stop()
    {
        running = false;
        soundCard.join();
    }
};

Studio studio;

class StudioPort final : public output::Port {
public:
    output::Result sendShort(const midi::ShortMessage& message) override
    {
        std::lock_guard guard(studio.lock);
        if (midi::KindOf(message.bytes[0]) == midi::kNoteOn)
            studio.lastNoteOn = Clock::now();
        return studio.synth->sendShort(message);
    }
    output::Result sendSysex(std::span<const std::uint8_t> bytes) override
    {
        std::lock_guard guard(studio.lock);
        studio.lastLong = Clock::now();
        studio.periodsAtLastLong = studio.periodDone.size();
        return studio.synth->sendSysex(bytes);
    }
    output::Result reset() override { return studio.synth->reset(); }
    bool needsPacing() const override { return studio.synth->needsPacing(); }
};

void RunEventLoop(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void Key(windows::Program& program, QEvent::Type type, int key)
{
    QKeyEvent event(type, key, Qt::NoModifier);
    QCoreApplication::sendEvent(program.mainWindow()->windowHandle(), &event);
}

void Mouse(QWidget* widget, QEvent::Type type, QPoint at)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

QPoint RightArrow(QScrollBar* bar)
{
    return {bar->width() - 4, bar->height() / 2};
}

QPoint ThumbCentre(QScrollBar* bar)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    return bar->style()
        ->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar)
        .center();
}

// The held note's pitch in cents off 220 Hz, over the `seconds` of audio ending `endPeriod`.
double HeldPitchCents(std::size_t endPeriod, double seconds)
{
    std::lock_guard guard(studio.lock);
    const std::size_t frames = std::size_t(seconds * studio.rate());
    const std::size_t end = endPeriod * kPeriod;
    const std::span<const float> window(studio.audio.data() + end - frames, frames);
    return testing::CentsBetween(testing::PeakFrequency(window, studio.rate(), 220, 60), 220);
}

std::size_t PeriodsSoFar()
{
    std::lock_guard guard(studio.lock);
    return studio.periodDone.size();
}

// A slider step by a click on the right arrow: milliseconds to the end of the first period that
// sounded the new tuning, and the held note's pitch change measured in the audio.
void StepRows(windows::Program& program)
{
    program.difficultyDialog()->setLevel(3); // 10 cents a step
    Key(program, QEvent::KeyPress, kHeldKey);
    RunEventLoop(400);
    const double before = HeldPitchCents(PeriodsSoFar(), 0.3);
    const auto click = Clock::now();
    Mouse(program.tuningWindow()->slider(kPitchClassA), QEvent::MouseButtonPress,
          RightArrow(program.tuningWindow()->slider(kPitchClassA)));
    Mouse(program.tuningWindow()->slider(kPitchClassA), QEvent::MouseButtonRelease,
          RightArrow(program.tuningWindow()->slider(kPitchClassA)));
    RunEventLoop(400);
    Clock::time_point retunedSound;
    std::size_t changePeriod = 0;
    {
        std::lock_guard guard(studio.lock);
        changePeriod = studio.periodsAtLastLong; // the first period rendered after the message
        retunedSound = studio.periodDone.at(changePeriod);
    }
    const double after = HeldPitchCents(changePeriod + 1 + std::size_t(0.3 * studio.rate() / kPeriod), 0.3);
    Row("slider: click on an arrow to the first period with the new tuning", Ms(retunedSound - click), "ms");
    Row("slider: audio period", kPeriod * 1000 / studio.rate(), "ms");
    Row("slider: held note's pitch change measured in the audio (10 expected)", after - before, "cents");
    Key(program, QEvent::KeyRelease, kHeldKey);
}

// The thumb dragged by the mouse, one pixel at a time, across 20 positions while a note is held.
void DragRows(windows::Program& program)
{
    program.difficultyDialog()->setLevel(0); // 1 cent a step, 64 positions
    program.tuningWindow()->slider(kPitchClassA)->setEnabled(true);
    Key(program, QEvent::KeyPress, kHeldKey);
    RunEventLoop(400);
    const double before = HeldPitchCents(PeriodsSoFar(), 0.3);
    auto* bar = program.tuningWindow()->slider(kPitchClassA);
    const int start = bar->value();
    QPoint at = ThumbCentre(bar);
    const auto begin = Clock::now();
    Mouse(bar, QEvent::MouseButtonPress, at);
    while (bar->value() < start + 20 && at.x() < bar->width()) {
        at.rx() += 1;
        Mouse(bar, QEvent::MouseMove, at);
        QCoreApplication::processEvents();
    }
    Mouse(bar, QEvent::MouseButtonRelease, at);
    const double total = Ms(Clock::now() - begin);
    RunEventLoop(400);
    const double after = HeldPitchCents(PeriodsSoFar(), 0.3);
    Row("slider: drag of the thumb across 20 positions, total", total, "ms");
    Row("slider: positions passed by the drag", bar->value() - start, "");
    Row("slider: held note's pitch after the drag, change (20 expected)", after - before, "cents");
    Key(program, QEvent::KeyRelease, kHeldKey);
}

// A key pressed while a slider step is handled: both events queued together, the step first.
void KeyDuringStepRows(windows::Program& program)
{
    auto* bar = program.tuningWindow()->slider(kPitchClassA);
    const QPoint arrow = RightArrow(bar);
    QCoreApplication::postEvent(bar, new QMouseEvent(QEvent::MouseButtonPress, arrow, bar->mapToGlobal(arrow),
                                                     Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(bar,
                                new QMouseEvent(QEvent::MouseButtonRelease, arrow, bar->mapToGlobal(arrow),
                                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    QCoreApplication::postEvent(program.mainWindow()->windowHandle(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_S, Qt::NoModifier));
    const auto queued = Clock::now();
    QCoreApplication::processEvents();
    Clock::time_point noteOn;
    {
        std::lock_guard guard(studio.lock);
        noteOn = studio.lastNoteOn;
    }
    Row("slider: key pressed during a step, to its note-on", noteOn > queued ? Ms(noteOn - queued) : NAN,
        "ms");
    Key(program, QEvent::KeyRelease, Qt::Key_S);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    auto synth =
        synth::FluidSynth::Open({.soundFonts = synth::BuiltinSynthOptions{}.soundFonts, .reverb = true});
    if (!synth) {
        std::fprintf(stderr, "bench_slider: no General MIDI SoundFont\n");
        return 0;
    }
    studio.synth = std::make_unique<synth::GsSynthPort>(std::move(synth));
    studio.start();
    host::QtDesktop desktop;
    testing::WallClock clock(true); // the waits as the player has them
    {
        windows::Program program(
            {.clock = clock,
             .desktop = desktop,
             .listDevices =
                 testing::OneDevice(synth::kBuiltinSynthName, [] { return std::make_unique<StudioPort>(); }),
             .randomSeed = 1});
        program.showMainWindow();
        QCoreApplication::processEvents();
        program.createLaterWindows(); // as the event loop's first turn does
        StepRows(program);
        DragRows(program);
        KeyDuringStepRows(program);
        program.mainWindow()->close();
    }
    studio.stop();
    return 0;
}
