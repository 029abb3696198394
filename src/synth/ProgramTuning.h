// SPDX-License-Identifier: GPL-3.0-or-later
// How far each key the game plays sounds from equal temperament in one preset of a SoundFont, as
// measured offline, and whether that is steady enough to correct.
#pragma once

#include <array>
#include <optional>
#include <stop_token>
#include <string>

namespace synth {

struct ProgramTuning {
    // The player's keyboard, F3 ... E5; the reference A (key 69, channel 2) lies within.
    static constexpr int kLowestKey = 53;
    static constexpr int kHighestKey = 76;
    static constexpr int kKeys = kHighestKey - kLowestKey + 1;
    // What is measured and corrected is what the game plays: bank 0 at the keyboards' velocity.
    static constexpr int kBank = 0;
    static constexpr int kVelocity = 100;
    // Where the fundamental is measured, in seconds after the note-on.
    static constexpr double kWindowStart = 0.25;
    static constexpr double kWindowLength = 0.70;

    // Which output a sample sounds on: the left or right half of a stereo pair, or both.
    enum class Side { Both, Left, Right };

    // False when some key's fundamental is unclear or unsteady, or when the preset as a whole has no
    // one pitch (two estimators part, or it drifts within a note): it then plays as it is.
    bool corrected = false;
    // Keys of a corrected preset that have no one pitch (strings or layers that beat so that the
    // estimators part, or a pitch that wanders): they play as they are.
    std::array<bool, kKeys> keysLeftAlone{};
    // Cents above equal temperament (A4 = 440 Hz), lowest key first: of both outputs summed, and
    // of each output alone (the halves of a stereo pair stray each in their own way).
    std::array<double, kKeys> offsets{};
    std::array<double, kKeys> leftOffsets{};
    std::array<double, kKeys> rightOffsets{};

    double offset(int key, Side side = Side::Both) const
    {
        const auto& of = side == Side::Left ? leftOffsets : side == Side::Right ? rightOffsets : offsets;
        return of.at(key - kLowestKey);
    }
    bool correctsKey(int key) const { return corrected && !keysLeftAlone.at(key - kLowestKey); }
    bool operator==(const ProgramTuning&) const = default;
};

// What each key's sound says of its pitch, and why the preset is corrected or not.
struct ProgramMeasurement {
    struct Key {
        double share = 0;        // the fundamental's part of the power (both outputs)
        double spread = 0;       // cents the centroid moves when the window moves 50 ms either way
        double disagreement = 0; // cents between the phase slope and the centroid, the worst output
        double drift = 0;        // cents the phase slope moves from early to late, the worst output
    };
    ProgramTuning tuning;
    std::array<Key, ProgramTuning::kKeys> keys{};
    double medianDisagreement = 0, medianDrift = 0;
    const char* uncorrectedBecause = nullptr; // nullptr when corrected
};

// Renders each key of `program` (bank 0) at velocity 100 in a synthesizer of its own, without audio
// output, reverb or chorus, and measures its fundamental over 0.25 ... 0.95 s after the note-on.
// Nullopt when the SoundFont does not load or a stop is requested. MeasureProgram also gives what
// each key's sound says and why the preset is left alone.
std::optional<ProgramMeasurement> MeasureProgram(const std::string& soundFont, int program,
                                                 std::stop_token stop = {});
std::optional<ProgramTuning> MeasureProgramTuning(const std::string& soundFont, int program,
                                                  std::stop_token stop = {});

} // namespace synth
