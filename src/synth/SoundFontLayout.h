// SPDX-License-Identifier: GPL-3.0-or-later
// Which samples of a SoundFont sound for a key of a preset, read from the preset, instrument and
// sample headers alone (never the audio); and the same headers rewritten so that chosen keys play
// their sample at a rate of their own.
#pragma once

#include "synth/ProgramTuning.h"
#include "synth/RewrittenSoundFont.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace synth {

class SoundFontLayout {
public:
    // Nullopt when the file cannot be read or is no SoundFont.
    static std::optional<SoundFontLayout> Read(const std::string& path);

    // A sample as an instrument plays it.
    struct Played {
        int instrument = 0, sample = 0;
        bool operator==(const Played&) const = default;
    };
    // What a note of `key` at `velocity` sounds on `program` of `bank`, in zone order; empty when the
    // preset does not exist or has no zone there.
    std::vector<Played> playedBy(int bank, int program, int key, int velocity) const;
    // The same, the samples alone (indices into the sample headers).
    std::vector<int> samplesOf(int bank, int program, int key, int velocity) const;

    // Hz, as the file has it.
    std::uint32_t sampleRate(int sample) const { return samples_.at(sample).rate; }
    // Whether the sample is the left or right half of a stereo pair, or sounds on both outputs.
    ProgramTuning::Side sideOf(int sample) const { return samples_.at(sample).side; }
    // The samples whose headers point past the sample data the file holds (a damaged or cut-short
    // file): FluidSynth drops them, and their zones play silence.
    std::vector<int> samplesPastTheData() const;

    // Playback rates (Hz) of a sample on one key of one instrument. Instruments that share a sample
    // (two presets layered on the same recordings) each get a rate of their own.
    struct SampleKey {
        int instrument = 0, sample = 0, key = 0;
        auto operator<=>(const SampleKey&) const = default;
    };
    using KeyRates = std::map<SampleKey, std::uint32_t>;
    // The file with each listed key playing its sample at the listed rate: that instrument's zones of
    // the sample get a zone of their own for the key, with a copy of the sample's header. Nullopt
    // when the headers are not the file's last chunk, or the zones would not fit the format.
    std::optional<RewrittenSoundFont> rewritten(const KeyRates& rates) const;

    // A zone's key and velocity range and what it plays: an instrument (preset zones) or a sample
    // (instrument zones); -1 for a global zone.
    struct Zone {
        int lowKey = 0, highKey = 127, lowVelocity = 0, highVelocity = 127;
        int target = -1;
        bool covers(int key, int velocity) const
        {
            return lowKey <= key && key <= highKey && lowVelocity <= velocity && velocity <= highVelocity;
        }
    };
    struct Preset {
        int bank = 0, program = 0;
        std::vector<Zone> zones;
    };

private:
    std::vector<Preset> presets_;
    std::vector<std::vector<Zone>> instruments_;
    struct Sample {
        std::uint32_t rate = 0;
        ProgramTuning::Side side = ProgramTuning::Side::Both;
        bool pastTheData = false;
    };
    std::vector<Sample> samples_;
    // The header chunks as the file has them, in its order, and where their list starts; empty
    // when the list is not the last chunk.
    std::vector<std::pair<std::string, std::vector<unsigned char>>> headerChunks_;
    std::uint64_t headerListStart_ = 0;

    friend class SoundFontLayoutReader;
};

} // namespace synth
