// SPDX-License-Identifier: GPL-3.0-or-later
// Which samples of a SoundFont sound for a key of a preset, read from the preset, instrument and
// sample headers alone (never the audio); and the same headers rewritten so that chosen keys play
// their sample at a rate of their own.
#pragma once

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

    // The samples (indices into the sample headers) that a note of `key` at `velocity` sounds on
    // `program` of `bank`, in zone order; empty when the preset does not exist or has no zone there.
    std::vector<int> samplesOf(int bank, int program, int key, int velocity) const;

    // Hz, as the file has it.
    std::uint32_t sampleRate(int sample) const { return sampleRates_.at(sample); }

    // Playback rates (Hz) by (sample, key).
    using KeyRates = std::map<std::pair<int, int>, std::uint32_t>;
    // The file with each listed key playing its sample at the listed rate: every instrument zone
    // of that sample gets a zone of its own for the key, with a copy of the sample's header. Nullopt
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
    std::vector<std::uint32_t> sampleRates_;
    // The header chunks as the file has them, in its order, and where their list starts; empty
    // when the list is not the last chunk.
    std::vector<std::pair<std::string, std::vector<unsigned char>>> headerChunks_;
    std::uint64_t headerListStart_ = 0;

    friend class SoundFontLayoutReader;
};

} // namespace synth
