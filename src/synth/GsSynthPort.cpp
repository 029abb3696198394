// SPDX-License-Identifier: GPL-3.0-or-later
// Short messages, system-exclusive messages and the reset of the built-in synthesizer's port.
#include "synth/GsSynthPort.h"

#include "midi/Midi.h"

#include <algorithm>

namespace synth {
namespace {

template <class... Handlers> struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
// clang 14 does not deduce an aggregate's template arguments by itself.
template <class... Handlers> Overloaded(Handlers...) -> Overloaded<Handlers...>;

} // namespace

GsSynthPort::GsSynthPort(std::unique_ptr<FluidSynth> synth, std::unique_ptr<AudioOutput> audio,
                         std::unique_ptr<TuningCalibrator> calibrator)
    : synth_(std::move(synth)), audio_(std::move(audio)), correction_(*synth_, std::move(calibrator))
{
}

midi::Result GsSynthPort::sendShort(std::uint32_t word)
{
    const auto message = midi::UnpackShortWord(word);
    if (!message)
        return midi::Result::InvalidParameter;
    correction_.update(); // a measurement finished since the last message sounds in this note
    fluid_synth_t* fluid = synth_->get();
    const int channel = midi::ChannelOf(message->bytes[0]);
    const int data1 = message->bytes[1];
    const int data2 = message->bytes[2];
    switch (midi::KindOf(message->bytes[0])) {
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
        fluid_synth_program_change(fluid, channel, data1);
        correction_.programChanged(channel, data1);
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
    wakeAudio();
    return midi::Result::Ok;
}

void GsSynthPort::controlChange(int channel, int controller, int value)
{
    fluid_synth_cc(synth_->get(), channel, controller, value);
    // FluidSynth's reset of all controllers clears key pressure too, and with it the scale tuning,
    // which a GS part keeps.
    if (controller == midi::kResetAllControllers)
        detuneKeys(channel);
}

midi::Result GsSynthPort::sendLong(std::span<const std::uint8_t> bytes)
{
    const midi::Result result =
        std::visit(Overloaded{[](std::monostate) { return midi::Result::Ok; },
                              [this](GsReset) {
                                  resetToGsDefaults();
                                  return midi::Result::Ok;
                              },
                              [this](const GsScaleTuning& tuning) { return apply(tuning); }},
                   ParseGsSysEx(bytes));
    wakeAudio();
    return result;
}

midi::Result GsSynthPort::reset()
{
    for (int channel = 0; channel < midi::kChannels; ++channel) {
        fluid_synth_cc(synth_->get(), channel, midi::kSustainPedal, 0);
        fluid_synth_cc(synth_->get(), channel, midi::kSostenutoPedal, 0);
    }
    fluid_synth_all_notes_off(synth_->get(), -1);
    wakeAudio();
    return midi::Result::Ok;
}

void GsSynthPort::wakeAudio()
{
    if (audio_)
        audio_->wake();
}

void GsSynthPort::resetToGsDefaults()
{
    // Programs 0 (the drum set on channel 10), controllers reset. FluidSynth 2.3.1's system reset
    // leaves sounding voices sounding, and loses an all-sounds-off sent just before it (both
    // measured): sound goes off after it.
    fluid_synth_system_reset(synth_->get());
    fluid_synth_all_sounds_off(synth_->get(), -1);
    correction_.programsReset();
    for (int channel = 0; channel < midi::kChannels; ++channel) {
        scaleTuning_[channel].fill(0);
        detuneKeys(channel);
    }
}

midi::Result GsSynthPort::apply(const GsScaleTuning& tuning)
{
    const bool fits = tuning.channel >= 0 && tuning.channel < midi::kChannels &&
                      tuning.firstPitchClass >= 0 &&
                      tuning.firstPitchClass + tuning.cents.size() <= std::size_t(midi::kPitchClasses);
    if (!fits)
        return midi::Result::InvalidParameter;
    ScaleTuning& classes = scaleTuning_[std::size_t(tuning.channel)];
    std::copy(tuning.cents.begin(), tuning.cents.end(), classes.begin() + tuning.firstPitchClass);
    detuneKeys(tuning.channel);
    return midi::Result::Ok;
}

void GsSynthPort::detuneKeys(int channel)
{
    for (int key = 0; key < midi::kKeys; ++key)
        synth_->setKeyDetune(channel, key, scaleTuning_[channel][key % midi::kPitchClasses]);
}

} // namespace synth
