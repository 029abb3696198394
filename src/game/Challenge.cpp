// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of a challenge: one table row per difficulty, the hidden draw and the GS scale-tuning bytes.
#include "game/Challenge.h"

namespace game {

namespace {

struct Level {
    int stepCents;
    SliderRange slider;
    int drawCount;  // r is drawn from 0 ... drawCount - 1
    int drawLowest; // the detune for r = 0; each further r adds one step
};

constexpr std::array<Level, kDifficulties> kLevels{{
    {1, {-32, 31}, 40, -20},
    {3, {-10, 10}, 20, -30},
    {5, {-6, 6}, 12, -30},
    {10, {-3, 3}, 6, -30},
}};

// A difficulty outside 0 ... 3 can only come from a damaged setting; it plays as difficulty 0.
const Level& LevelOf(int difficulty)
{
    return difficulty >= 0 && difficulty < kDifficulties ? kLevels[std::size_t(difficulty)] : kLevels[0];
}

constexpr std::array<const char*, kPitchClasses> kNoteNames{"C",  "C#", "D",  "D#", "E",  "F",
                                                            "F#", "G",  "G#", "A",  "A#", "B"};

} // namespace

int StepCents(int difficulty)
{
    return LevelOf(difficulty).stepCents;
}

SliderRange SliderRangeOf(int difficulty)
{
    return LevelOf(difficulty).slider;
}

std::int32_t DrawDetune(int difficulty, std::mt19937& random)
{
    const Level& level = LevelOf(difficulty);
    std::uniform_int_distribution<int> draw(0, level.drawCount - 1);
    return level.drawLowest + level.stepCents * draw(random);
}

std::array<std::uint8_t, kPitchClasses> ScaleTuningData(const DetuneArray& detune,
                                                        const SliderPositions& positions, int stepCents)
{
    // Unsigned arithmetic keeps exactly the low 8 bits, without signed overflow on wild input.
    std::array<std::uint8_t, kPitchClasses> data{};
    for (std::size_t i = 0; i < data.size(); ++i) {
        const std::uint32_t sum = std::uint32_t(detune[i]) + midi::gs::kScaleTuningCentre +
                                  std::uint32_t(positions[i]) * std::uint32_t(stepCents);
        data[i] = std::uint8_t(sum & 0xFFu);
    }
    return data;
}

QString CentsText(std::int32_t cents)
{
    return QString::number(cents);
}

QString PitchClassName(int pitchClass)
{
    if (pitchClass < 0 || pitchClass >= kPitchClasses)
        return {};
    return QString::fromLatin1(kNoteNames[std::size_t(pitchClass)]);
}

QString NoteName(int midiNote)
{
    return PitchClassName(midiNote % kPitchClasses) + QString::number(midiNote / kPitchClasses - 1);
}

} // namespace game
