// SPDX-License-Identifier: GPL-3.0-or-later
// FluidSynth's virtual SoundFont interface over our strings: each key plays its string's sample at
// its own root key, so that FluidSynth's whole-cent pitch arithmetic adds nothing but the scale
// tuning, and the sample's partials sound exactly where they were computed.
#include "synth/TuningPianoFont.h"

#include "midi/Midi.h"

#include <algorithm>
#include <cmath>

namespace synth {
namespace {

// A damper falling on the string: silent within a quarter of a second, without a click.
constexpr float kReleaseTimecents = -2400; // 1200·log2(0.25 s)

TuningPianoFont& FontOf(fluid_sfont_t* font)
{
    return *static_cast<TuningPianoFont*>(fluid_sfont_get_data(font));
}

} // namespace

TuningPianoFont* TuningPianoFont::AddTo(fluid_synth_t* synth, int sampleRate)
{
    std::unique_ptr<TuningPianoFont> font(new TuningPianoFont(sampleRate));
    if (!font->font_ || !font->pianos_[0].preset || !font->pianos_[1].preset)
        return nullptr;
    font->id_ = fluid_synth_add_sfont(synth, font->font_);
    if (font->id_ == FLUID_FAILED)
        return nullptr;
    font->request(midi::kTuningPianoProgram); // the game's default: ready by the first key, if it can
    return font.release();                    // FluidSynth's now: Free() deletes it with the synthesizer
}

TuningPianoFont::TuningPianoFont(int sampleRate)
    : storageRate_((sampleRate + 1) / 2),
      font_(new_fluid_sfont(Name, PresetOf, IterationStart, IterationNext, Free))
{
    // Partials reach 9.4 kHz at most: half the output rate carries them, in half the time and memory.
    pianos_[0].kind = StringKind::Harmonic;
    pianos_[0].program = midi::kTuningPianoProgram;
    pianos_[1].kind = StringKind::Stiff;
    pianos_[1].program = midi::kStiffTuningPianoProgram;
    if (!font_)
        return;
    fluid_sfont_set_data(font_, this);
    for (Piano& piano : pianos_) {
        piano.preset.reset(
            new_fluid_preset(font_, PresetName, PresetBank, PresetProgram, NoteOn, FreePreset));
        if (piano.preset)
            fluid_preset_set_data(piano.preset.get(), &piano);
    }
    maker_ = std::jthread([this](std::stop_token stop) { make(stop); });
}

TuningPianoFont::~TuningPianoFont()
{
    maker_.request_stop();
    if (maker_.joinable())
        maker_.join(); // before the samples it fills go
    for (Piano& piano : pianos_)
        piano.preset.reset();
    delete_fluid_sfont(font_);
}

bool TuningPianoFont::ready(int program) const
{
    for (const Piano& piano : pianos_)
        if (piano.program == program)
            return piano.now(tenths_.load()).made.load(std::memory_order_acquire);
    return false;
}

void TuningPianoFont::requestUnderLock(Piano& piano)
{
    piano.chosen = true;
    piano.now(tenths_.load()).requested = true;
}

void TuningPianoFont::request(int program)
{
    {
        const std::lock_guard lock(lock_);
        for (Piano& piano : pianos_)
            if (piano.program == program)
                requestUnderLock(piano);
    }
    wanted_.notify_one();
}

void TuningPianoFont::setFraction(int tenths)
{
    {
        const std::lock_guard lock(lock_);
        tenths_.store(std::clamp(tenths, -kMostTenths, kMostTenths));
        for (Piano& piano : pianos_)
            if (piano.chosen)
                requestUnderLock(piano);
    }
    wanted_.notify_one();
}

void TuningPianoFont::setChannelFraction(int channel, int tenths)
{
    if (channel >= 0 && channel < midi::kChannels)
        channelTenths_[std::size_t(channel)].store(std::clamp(tenths, -kMostTenths, kMostTenths));
}

// The present fraction first: another may have been asked for and left since.
void TuningPianoFont::make(std::stop_token stop)
{
    for (;;) {
        Piano* piano = nullptr;
        int tenths = 0;
        {
            std::unique_lock lock(lock_);
            const bool wanted = wanted_.wait(lock, stop, [&] {
                const int present = tenths_.load();
                for (int at = -kMostTenths; at <= kMostTenths; ++at)
                    for (Piano& candidate : pianos_) {
                        const Strings& strings = candidate.now(at);
                        if (strings.requested && !strings.made.load(std::memory_order_relaxed) &&
                            (!piano || at == present)) {
                            piano = &candidate;
                            tenths = at;
                        }
                    }
                return piano != nullptr;
            });
            if (!wanted)
                return;
        }
        if (!makeStrings(piano->kind, piano->now(tenths), tenths, stop))
            return;
    }
}

bool TuningPianoFont::makeStrings(StringKind kind, Strings& piano, int tenths, std::stop_token stop)
{
    const std::vector<int> modelKeys = ModelKeys();
    piano.strings.reserve(modelKeys.size());
    for (int modelKey : modelKeys) {
        StringSample string = MakeStringSample(modelKey, kind, storageRate_, stop, tenths / 10.0);
        if (string.frames.empty())
            return false;
        for (int further = -kMostTenths; further <= kMostTenths; ++further) {
            Sample sample = SampleOf(string, std::lround(storageRate_ * std::exp2(further / 12000.0)));
            if (!sample)
                return false;
            piano.samples[IndexOf(further)].push_back(std::move(sample));
        }
        piano.strings.push_back(std::move(string)); // the frames stay where they are: the samples read them
    }
    for (int key = 0; key < midi::kKeys; ++key)
        for (std::size_t i = 0; i < modelKeys.size(); ++i)
            if (modelKeys[i] == ModelKeyOf(key))
                piano.stringOfKey[std::size_t(key)] = i;
    piano.made.store(true, std::memory_order_release);
    return true;
}

TuningPianoFont::Sample TuningPianoFont::SampleOf(StringSample& string, long rate)
{
    Sample sample(new_fluid_sample());
    if (!sample ||
        fluid_sample_set_sound_data(sample.get(), string.frames.data(), nullptr,
                                    unsigned(string.frames.size()), unsigned(rate), 0) != FLUID_OK ||
        fluid_sample_set_pitch(sample.get(), string.rootKey, 0) != FLUID_OK)
        return nullptr;
    return sample;
}

TuningPianoFont::Piano* TuningPianoFont::pianoOf(int bank, int program)
{
    if (bank != midi::kOwnBank)
        return nullptr;
    for (Piano& piano : pianos_)
        if (piano.program == program)
            return &piano;
    return nullptr;
}

int TuningPianoFont::noteOn(Piano& pianoOfProgram, fluid_synth_t* synth, int channel, int key, int velocity)
{
    Strings& piano = pianoOfProgram.now(tenths_.load());
    if (!piano.made.load(std::memory_order_acquire))
        return FLUID_OK; // the port holds its keys until then; another channel's note stays silent
    const std::size_t string = piano.stringOfKey[std::size_t(key)];
    const int further = channel < midi::kChannels ? channelTenths_[std::size_t(channel)].load() : 0;
    fluid_voice_t* voice =
        fluid_synth_alloc_voice(synth, piano.samples[IndexOf(further)][string].get(), channel, key, velocity);
    if (!voice)
        return FLUID_FAILED;
    fluid_voice_gen_set(voice, GEN_ATTENUATION, piano.strings[string].attenuation);
    fluid_voice_gen_set(voice, GEN_VOLENVRELEASE, kReleaseTimecents);
    fluid_synth_start_voice(synth, voice);
    return FLUID_OK;
}

std::optional<output::InstrumentPartials> TuningPianoFont::DesignedPartials(int program)
{
    if (program != midi::kTuningPianoProgram && program != midi::kStiffTuningPianoProgram)
        return std::nullopt;
    const StringKind kind = program == midi::kTuningPianoProgram ? StringKind::Harmonic : StringKind::Stiff;
    output::InstrumentPartials partials;
    for (int key = 0; key < midi::kKeys; ++key) {
        output::KeyPartials& offsets = partials.keys[key];
        for (int n = 1; n <= output::kKnownPartials; ++n)
            offsets[std::size_t(n - 1)] = 1200 * std::log2(PartialStretch(n, kind, ModelKeyOf(key)));
    }
    return partials;
}

const char* TuningPianoFont::Name(fluid_sfont_t*)
{
    return "Velmora tuning piano";
}

fluid_preset_t* TuningPianoFont::PresetOf(fluid_sfont_t* font, int bank, int program)
{
    Piano* piano = FontOf(font).pianoOf(bank, program);
    if (!piano)
        return nullptr;
    FontOf(font).request(program); // a channel chose it: its samples are wanted
    return piano->preset.get();
}

void TuningPianoFont::IterationStart(fluid_sfont_t* font)
{
    FontOf(font).iteration_ = 0;
}

fluid_preset_t* TuningPianoFont::IterationNext(fluid_sfont_t* font)
{
    TuningPianoFont& self = FontOf(font);
    return self.iteration_ < self.pianos_.size() ? self.pianos_[self.iteration_++].preset.get() : nullptr;
}

int TuningPianoFont::Free(fluid_sfont_t* font)
{
    delete &FontOf(font);
    return 0;
}

const char* TuningPianoFont::PresetName(fluid_preset_t* preset)
{
    const auto& piano = *static_cast<const Piano*>(fluid_preset_get_data(preset));
    return piano.kind == StringKind::Harmonic ? "調律用ピアノ（単弦）" : "調律用ピアノ（単弦、弦の硬さあり）";
}

int TuningPianoFont::PresetBank(fluid_preset_t*)
{
    return midi::kOwnBank;
}

int TuningPianoFont::PresetProgram(fluid_preset_t* preset)
{
    return static_cast<const Piano*>(fluid_preset_get_data(preset))->program;
}

int TuningPianoFont::NoteOn(fluid_preset_t* preset, fluid_synth_t* synth, int channel, int key, int velocity)
{
    auto& piano = *static_cast<Piano*>(fluid_preset_get_data(preset));
    return FontOf(fluid_preset_get_sfont(preset)).noteOn(piano, synth, channel, key, velocity);
}

} // namespace synth
