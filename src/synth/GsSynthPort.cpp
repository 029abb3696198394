// SPDX-License-Identifier: GPL-3.0-or-later
// Short messages, system-exclusive messages and the reset of the built-in synthesizer's port.
#include "synth/GsSynthPort.h"

#include "midi/Midi.h"
#include "synth/SoundFontLayout.h"

#include <QCoreApplication>
#include <QDebug>

#include <algorithm>
#include <cmath>
#include <utility>

namespace synth {
namespace {

constexpr int kPlayer = 0, kReference = 1; // the channels whose programs are measured

template <class... Handlers> struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
// clang 14 does not deduce an aggregate's template arguments by itself.
template <class... Handlers> Overloaded(Handlers...) -> Overloaded<Handlers...>;

// The port's boxes wait for the application's event loop. A message reaches the port on the
// opening thread too (one kept while it opened), and the opening port hands each on under its
// lock, which a box's own event loop would want again for the next key.
SayToPlayer Queued(SayToPlayer say)
{
    if (!say)
        return SayOnTerminal;
    return [say = std::move(say)](const QString& text, const QString& explanation) {
        if (QCoreApplication* application = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                application, [say, text, explanation] { say(text, explanation); }, Qt::QueuedConnection);
        else
            say(text, explanation);
    };
}

} // namespace

void SayOnTerminal(const QString& text, const QString& explanation)
{
    qWarning().noquote() << text << explanation;
}

GsSynthPort::GsSynthPort(std::unique_ptr<FluidSynth> synth, std::unique_ptr<AudioOutput> audio,
                         std::unique_ptr<TuningCalibrator> calibrator, std::chrono::milliseconds patience,
                         SayToPlayer say, std::unique_ptr<PartialsMeter> partialsMeter)
    : synth_(std::move(synth)), audio_(std::move(audio)), patience_(patience),
      calibrator_(std::move(calibrator)), say_(Queued(std::move(say))),
      partialsMeter_(std::move(partialsMeter))
{
    sayWhenSamplesPastTheData();
    const auto noMessages = synth_->messagesHeld();
    awaitInstrument(kPlayer);
    awaitInstrument(kReference);
    if (calibrator_)
        calibrator_->onResult([this] {
            const auto held = synth_->messagesHeld();
            playWhatIsReady();
            wakeAudio();
        });
    timer_ = std::jthread([this](std::stop_token stop) { runTimer(stop); });
}

void GsSynthPort::awaitInstrument(int channel)
{
    if (channel != kPlayer && channel != kReference)
        return;
    int soundFont = 0, bank = 0, program = 0;
    const bool known =
        fluid_synth_get_program(synth_->get(), channel, &soundFont, &bank, &program) == FLUID_OK;
    // Only the SoundFont's General MIDI bank is measured: bank 1's programs 0 and 1 are the tuning
    // piano, not the grand and the bright piano.
    if (known && calibrator_ && soundFont == synth_->soundFontId() && bank == 0)
        calibrator_->request(program);
    Waiting& waiting = waiting_[std::size_t(channel)];
    waiting.waiting = !instrumentReady(channel) && patience_.count() > 0;
    waiting.since = Clock::now();
    if (waiting.waiting)
        startTimer();
}

// Only a program the player chose: the reset's program 0 at every open is not worth the seconds of
// a core that measuring its partials takes while the tuning piano plays.
void GsSynthPort::measurePartials(int channel)
{
    int soundFont = 0, bank = 0, program = 0;
    if (partialsMeter_ && channel == kPlayer &&
        fluid_synth_get_program(synth_->get(), channel, &soundFont, &bank, &program) == FLUID_OK &&
        soundFont == synth_->soundFontId() && bank == 0)
        partialsMeter_->request(program); // what the beat window will ask for
}

bool GsSynthPort::instrumentReady(int channel) const
{
    int soundFont = 0, bank = 0, program = 0;
    if (fluid_synth_get_program(synth_->get(), channel, &soundFont, &bank, &program) != FLUID_OK)
        return true;
    if (const TuningPianoFont* piano = synth_->tuningPiano(); piano && soundFont == piano->id())
        return piano->ready(program);
    return !calibrator_ || soundFont != synth_->soundFontId() || bank != 0 || calibrator_->result(program);
}

std::optional<output::InstrumentPartials> GsSynthPort::partials(int bank, int program)
{
    if (bank == midi::kOwnBank)
        return TuningPianoFont::DesignedPartials(program);
    if (bank != ProgramTuning::kBank || !partialsMeter_)
        return std::nullopt;
    partialsMeter_->request(program);
    const auto measured = partialsMeter_->result(program);
    const auto left = calibrator_ ? calibrator_->result(program) : std::nullopt;
    if (!measured || (calibrator_ && !left))
        return output::InstrumentPartials{.measuring = true, .keys = {}};
    return SoundedPartials(*measured, left);
}

bool GsSynthPort::playWhatIsReady()
{
    const Clock::time_point now = Clock::now();
    for (int channel : {kPlayer, kReference}) {
        Waiting& waiting = waiting_[std::size_t(channel)];
        if (!waiting.waiting || (!instrumentReady(channel) && now - waiting.since < patience_))
            continue;
        waiting.waiting = false;
        // Each note that waited begins late; its note-off, held or still to come, is due as late
        // after its release.
        for (const Held& held : std::exchange(waiting.held, {})) {
            deliver(held.message, held.at); // a program change among them may make the channel wait again
            if (!waiting.waiting && midi::IsNote(held.message) && !midi::IsNoteOff(held.message))
                late_.started(held.message, now - held.at);
        }
    }
    std::erase_if(dueNoteOffs_, [&](const DueNoteOff& noteOff) {
        if (noteOff.due > now)
            return false;
        play(noteOff.message);
        return true;
    });
    return waiting_[0].waiting || waiting_[1].waiting || !dueNoteOffs_.empty();
}

void GsSynthPort::endNoteDueLater(const midi::ShortMessage& message)
{
    if (!midi::IsNote(message))
        return;
    std::erase_if(dueNoteOffs_, [&](const DueNoteOff& noteOff) {
        if (!midi::SameKey(noteOff.message, message))
            return false;
        play(noteOff.message);
        return true;
    });
}

void GsSynthPort::deliver(const midi::ShortMessage& message, Clock::time_point at)
{
    const int channel = midi::ChannelOf(message.bytes[0]);
    if ((channel == kPlayer || channel == kReference) && waiting_[std::size_t(channel)].waiting) {
        waiting_[std::size_t(channel)].held.push_back({message, at});
    } else if (const auto due = late_.dueOf(message, at)) {
        dueNoteOffs_.push_back({message, *due});
    } else {
        endNoteDueLater(message);
        play(message);
    }
}

void GsSynthPort::startTimer()
{
    {
        const std::lock_guard lock(timerLock_);
        timerNeeded_ = true;
    }
    timerWake_.notify_one();
}

void GsSynthPort::runTimer(std::stop_token stop)
{
    constexpr std::chrono::milliseconds kTick{10};
    std::unique_lock lock(timerLock_);
    while (timerWake_.wait(lock, stop, [&] { return timerNeeded_; })) {
        timerNeeded_ = false;
        lock.unlock();
        bool waiting = true;
        while (waiting && !stop.stop_requested()) {
            std::this_thread::sleep_for(kTick);
            const auto held = synth_->messagesHeld();
            waiting = playWhatIsReady();
            wakeAudio();
        }
        lock.lock();
    }
}

output::Result GsSynthPort::sendShort(const midi::ShortMessage& message)
{
    if (message.size == 0)
        return output::Result::Refused;
    const auto held = synth_->messagesHeld();
    playWhatIsReady();
    deliver(message, Clock::now());
    if (waiting_[0].waiting || waiting_[1].waiting || !dueNoteOffs_.empty())
        startTimer();
    wakeAudio();
    return output::Result::Ok;
}

void GsSynthPort::play(const midi::ShortMessage& message)
{
    fluid_synth_t* fluid = synth_->get();
    const int channel = midi::ChannelOf(message.bytes[0]);
    const int data1 = message.bytes[1];
    const int data2 = message.bytes[2];
    switch (midi::KindOf(message.bytes[0])) {
    case midi::kNoteOff:
        fluid_synth_noteoff(fluid, channel, data1);
        break;
    case midi::kNoteOn:
        fluid_synth_noteon(fluid, channel, data1, data2); // velocity 0: note off
        break;
    case midi::kKeyPressure:
        // Polyphonic key pressure carries our scale tuning; GS parts ignore it by default anyway.
        break;
    case midi::kControlChange:
        controlChange(channel, data1, data2);
        break;
    case midi::kProgramChange:
        sayWhenSoundFontUnusable();
        // FluidSynth would select the preset even when its samples fail to load from a changed
        // file, and crash rendering it: the instrument playing stays.
        if (!synth_->soundFontUnchanged())
            break;
        fluid_synth_program_change(fluid, channel, data1);
        awaitInstrument(channel);
        measurePartials(channel);
        break;
    case midi::kChannelPressure:
        fluid_synth_channel_pressure(fluid, channel, data1);
        break;
    case midi::kPitchBend:
        fluid_synth_pitch_bend(fluid, channel, data1 | data2 << 7);
        break;
    default: // system common and real-time messages: nothing to do for a synthesizer
        break;
    }
}

void GsSynthPort::controlChange(int channel, int controller, int value)
{
    if (takeFineTuning(channel, controller, value))
        return;
    fluid_synth_cc(synth_->get(), channel, controller, value);
    // FluidSynth's reset of all controllers clears key pressure too, and with it the scale tuning,
    // which a GS part keeps.
    if (controller == midi::kResetAllControllers)
        detuneKeys(channel);
}

output::Result GsSynthPort::sendSysex(std::span<const std::uint8_t> bytes)
{
    const auto held = synth_->messagesHeld();
    const output::Result result =
        std::visit(Overloaded{[](std::monostate) { return output::Result::Ok; },
                              [this](GsReset) {
                                  resetToGsDefaults();
                                  return output::Result::Ok;
                              },
                              [this](const GsScaleTuning& tuning) { return apply(tuning); },
                              [this](const GsMasterTune& masterTune) {
                                  apply(masterTune);
                                  return output::Result::Ok;
                              }},
                   ParseGsSysEx(bytes));
    wakeAudio();
    return result;
}

output::Result GsSynthPort::reset()
{
    const auto held = synth_->messagesHeld();
    for (int channel = 0; channel < midi::kChannels; ++channel) {
        fluid_synth_cc(synth_->get(), channel, midi::kSustainPedal, 0);
        fluid_synth_cc(synth_->get(), channel, midi::kSostenutoPedal, 0);
    }
    fluid_synth_all_notes_off(synth_->get(), -1);
    for (Waiting& waiting : waiting_) // the notes and pedals that wait end too; programs stay
        std::erase_if(waiting.held, [](const Held& held) {
            return midi::KindOf(held.message.bytes[0]) != midi::kProgramChange;
        });
    dueNoteOffs_.clear();
    late_.clear();
    wakeAudio();
    return output::Result::Ok;
}

void GsSynthPort::wakeAudio()
{
    if (audio_)
        audio_->wake();
}

void GsSynthPort::sayWhenSoundFontUnusable()
{
    if (soundFontSaid_)
        return;
    const QString file = QString::fromStdString(synth_->soundFont());
    if (!synth_->soundFontUnchanged()) {
        soundFontSaid_ = true;
        say_(
            QStringLiteral("内蔵GSシンセサイザーの音色ファイルが書き換えられました"),
            QStringLiteral("%1 が使用中に書き換えられました。ここからはほかの音色を読み込まず、今の音色のまま"
                           "鳴らします。別の音色を使うには、いったん終了してから起動し直してください"
                           "（ファイルが壊れていれば、先に fluid-soundfont-gm を入れ直してください）。")
                .arg(file));
    } else if (!synth_->soundFontStillThere()) {
        soundFontSaid_ = true;
        say_(QStringLiteral("内蔵GSシンセサイザーの音色ファイルがなくなりました"),
             QStringLiteral(
                 "%1 が削除されたか置き換えられました。終了するまでは読み込んだときの音色で鳴り続けます。"
                 "次に起動する前に fluid-soundfont-gm を入れ直してください。")
                 .arg(file));
    }
}

void GsSynthPort::sayWhenSamplesPastTheData()
{
    const auto layout = SoundFontLayout::Read(synth_->soundFontInUse());
    if (!layout || layout->samplesPastTheData().empty())
        return;
    say_(
        QStringLiteral("内蔵GSシンセサイザーの音色ファイルの一部が壊れています"),
        QStringLiteral("%1 には、ファイルにない音のデータを指している箇所が %2 か所あり、その音は鳴りません。"
                       "fluid-soundfont-gm を入れ直すか、MIDI出力に別の装置を選んでください。")
            .arg(QString::fromStdString(synth_->soundFont()))
            .arg(layout->samplesPastTheData().size()));
}

void GsSynthPort::resetToGsDefaults()
{
    // Programs 0 (the drum set on channel 10), controllers reset. FluidSynth 2.3.1's system reset
    // leaves sounding voices sounding, and loses an all-sounds-off sent just before it (both
    // measured): sound goes off after it.
    fluid_synth_system_reset(synth_->get());
    fluid_synth_all_sounds_off(synth_->get(), -1);
    for (Waiting& waiting : waiting_)
        waiting.held.clear(); // what waited belonged to the state the reset ends
    dueNoteOffs_.clear();
    late_.clear();
    masterTuneCents_ = 0;
    if (TuningPianoFont* piano = synth_->tuningPiano())
        piano->setFraction(0);
    if (calibrator_)
        calibrator_->settleAt(0);
    awaitInstrument(kPlayer);
    awaitInstrument(kReference);
    registered_.fill({});
    fineTuning_.fill(midi::kFineTuningCentre);
    for (int channel = 0; channel < midi::kChannels; ++channel) {
        scaleTuning_[channel].fill(0);
        detuneKeys(channel);
    }
}

void GsSynthPort::apply(const GsMasterTune& masterTune)
{
    masterTuneCents_ = int(std::lround(masterTune.tenths / 10.0));
    const int tenthsLeft = masterTune.tenths - 10 * masterTuneCents_;
    // The SoundFont's corrected keys take the tenths through their sample rates, settled anew.
    if (calibrator_)
        calibrator_->settleAt(tenthsLeft / 10.0);
    if (TuningPianoFont* piano = synth_->tuningPiano()) {
        piano->setFraction(tenthsLeft);
        awaitInstrument(kPlayer); // their keys wait for the strings at the new fraction
        awaitInstrument(kReference);
    }
    for (int channel = 0; channel < midi::kChannels; ++channel)
        detuneKeys(channel);
}

output::Result GsSynthPort::apply(const GsScaleTuning& tuning)
{
    const bool fits = tuning.channel >= 0 && tuning.channel < midi::kChannels &&
                      tuning.firstPitchClass >= 0 &&
                      tuning.firstPitchClass + tuning.cents.size() <= std::size_t(midi::kPitchClasses);
    if (!fits)
        return output::Result::Refused;
    ScaleTuning& classes = scaleTuning_[std::size_t(tuning.channel)];
    std::copy(tuning.cents.begin(), tuning.cents.end(), classes.begin() + tuning.firstPitchClass);
    detuneKeys(tuning.channel);
    return output::Result::Ok;
}

// FluidSynth 2.3 takes the channel fine tuning (registered parameter 0/1) itself, but turns the
// pitch into hertz by truncated whole cents, of the tuned pitch and of the sample's root apart:
// measured, 1.2 cents sounded as 0, -0.3 as -2, -5.0 as -7. Whole cents on the key detune move
// the untuned pitch exactly, so the fine tuning goes there, to the nearest tenth of a cent: the
// whole cents on the keys, the tenths into the tuning piano's strings. FluidSynth never sees it.
bool GsSynthPort::takeFineTuning(int channel, int controller, int value)
{
    RegisteredParameter& parameter = registered_[std::size_t(channel)];
    switch (controller) {
    case midi::kRegisteredParameterMsb:
        parameter.msb = value;
        return false;
    case midi::kRegisteredParameterLsb:
        parameter.lsb = value;
        return false;
    case kNonRegisteredParameterMsb:
    case kNonRegisteredParameterLsb:
        parameter = {}; // data entry now belongs to a parameter that is not ours
        return false;
    case midi::kDataEntry:
    case midi::kDataEntryLsb:
        break;
    default:
        return false;
    }
    if (parameter.msb != 0 || parameter.lsb != 1)
        return false;
    fineTuning_[std::size_t(channel)] = controller == midi::kDataEntry
                                            ? (value << 7) | (fineTuning_[std::size_t(channel)] & 0x7F)
                                            : (fineTuning_[std::size_t(channel)] & ~0x7F) | value;
    detuneKeys(channel);
    return true;
}

void GsSynthPort::detuneKeys(int channel)
{
    const int fineTenths = int(std::lround((fineTuning_[std::size_t(channel)] - midi::kFineTuningCentre) *
                                           1000.0 / midi::kFineTuningCentre));
    const int fineCents = int(std::lround(fineTenths / 10.0));
    if (TuningPianoFont* piano = synth_->tuningPiano())
        piano->setChannelFraction(channel, fineTenths - 10 * fineCents);
    for (int key = 0; key < midi::kKeys; ++key)
        synth_->setKeyDetune(channel, key,
                             scaleTuning_[channel][key % midi::kPitchClasses] + masterTuneCents_ + fineCents);
}

} // namespace synth
