// SPDX-License-Identifier: GPL-3.0-or-later
// The synthesizer's own SoundFont: the tuning piano in bank midi::kOwnBank, its samples computed in
// memory on a thread of its own and played by FluidSynth like any other preset's.
#pragma once

#include "midi/Midi.h"
#include "output/Port.h"
#include "synth/TuningPiano.h"

#include <fluidsynth.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace synth {

class TuningPianoFont {
public:
    // Adds the font to `synth`, which owns it from then on (it goes with the synthesizer); null when
    // FluidSynth refuses it. Samples are made at half of `sampleRate`, the harmonic piano's at once.
    static TuningPianoFont* AddTo(fluid_synth_t* synth, int sampleRate);
    ~TuningPianoFont();
    TuningPianoFont(const TuningPianoFont&) = delete;
    TuningPianoFont& operator=(const TuningPianoFont&) = delete;

    int id() const { return id_; }
    // Whether `program` of our bank has its samples at the present fraction; a program we do not
    // have is never ready.
    bool ready(int program) const;
    // Has the samples of `program` made at the present fraction, unless they are made or under way.
    void request(int program);
    // The strings from now on sound `tenths` of a cent (-5 ... +5) off equal temperament: the part of
    // a master tune that FluidSynth's whole-cent pitch cannot carry. The programs chosen so far are
    // made again at it; those made at another fraction are kept, as voices may still play them.
    void setFraction(int tenths);
    // The strings `channel` plays sound `tenths` of a cent (-5 ... +5) further off from its next note
    // on: the part of a channel fine tuning that FluidSynth's whole-cent pitch cannot carry. It goes
    // into the rate the voice reads the samples at, to within 0.04 cent, so nothing is made again.
    void setChannelFraction(int channel, int tenths);
    // Where each key's partials 1 ... output::kKnownPartials lie, as designed; none for a program
    // we do not have.
    static std::optional<output::InstrumentPartials> DesignedPartials(int program);

private:
    struct SampleDeleter {
        void operator()(fluid_sample_t* sample) const { delete_fluid_sample(sample); }
    };
    struct PresetDeleter {
        void operator()(fluid_preset_t* preset) const { delete_fluid_preset(preset); }
    };
    using Sample = std::unique_ptr<fluid_sample_t, SampleDeleter>;
    static constexpr int kMostTenths = 5; // a fraction is -5 ... +5 tenths of a cent
    static constexpr std::size_t kFractions = 2 * kMostTenths + 1;
    static constexpr std::size_t IndexOf(int tenths) { return std::size_t(tenths + kMostTenths); }
    // The strings of one program at one fraction of a cent.
    struct Strings {
        std::vector<StringSample> strings; // by ModelKeys()
        // By a channel's fraction, then by string: the strings' frames, read at the rate that
        // raises them that many tenths of a cent (the strings' own rate at 0).
        std::array<std::vector<Sample>, kFractions> samples;
        std::array<std::size_t, 128> stringOfKey{};
        bool requested = false;        // under lock_
        std::atomic<bool> made{false}; // set once strings and samples are complete
    };
    // One program: the strings of one kind, at each fraction asked for.
    struct Piano {
        StringKind kind = StringKind::Harmonic;
        int program = 0;
        std::unique_ptr<fluid_preset_t, PresetDeleter> preset;
        std::array<Strings, kFractions> atFraction; // -5 ... +5 tenths
        bool chosen = false;                        // under lock_: a channel chose it once
        Strings& now(int tenths) { return atFraction[IndexOf(tenths)]; }
        const Strings& now(int tenths) const { return atFraction[IndexOf(tenths)]; }
    };

    explicit TuningPianoFont(int sampleRate);
    void make(std::stop_token stop);
    bool makeStrings(StringKind kind, Strings& strings, int tenths, std::stop_token stop);
    // A sample that reads the string's frames, which stay the string's, at `rate` frames a second.
    static Sample SampleOf(StringSample& string, long rate);
    void requestUnderLock(Piano& piano);
    Piano* pianoOf(int bank, int program);
    int noteOn(Piano& piano, fluid_synth_t* synth, int channel, int key, int velocity);

    static const char* Name(fluid_sfont_t*);
    static fluid_preset_t* PresetOf(fluid_sfont_t* font, int bank, int program);
    static void IterationStart(fluid_sfont_t* font);
    static fluid_preset_t* IterationNext(fluid_sfont_t* font);
    static int Free(fluid_sfont_t* font);
    static const char* PresetName(fluid_preset_t* preset);
    static int PresetBank(fluid_preset_t* preset);
    static int PresetProgram(fluid_preset_t* preset);
    static int NoteOn(fluid_preset_t* preset, fluid_synth_t* synth, int channel, int key, int velocity);
    static void FreePreset(fluid_preset_t*) {} // the font deletes its presets itself

    const int storageRate_;
    fluid_sfont_t* font_ = nullptr; // FluidSynth's handle of this object, freed with it
    int id_ = FLUID_FAILED;
    std::array<Piano, 2> pianos_;
    std::size_t iteration_ = 0;
    std::atomic<int> tenths_{0};                                    // the present fraction
    std::array<std::atomic<int>, midi::kChannels> channelTenths_{}; // each channel's fraction of its own
    mutable std::mutex lock_;
    std::condition_variable_any wanted_;
    std::jthread maker_; // last: starts once everything it uses exists, stops first
};

} // namespace synth
