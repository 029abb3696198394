// SPDX-License-Identifier: GPL-3.0-or-later
// The on-screen keyboard and the computer keys that play it, as tables.
#include "game/KeyMap.h"

#include <algorithm>
#include <iterator>

namespace game {

namespace {

constexpr std::array<PianoKey, 24> kPianoKeys{{
    {1, 0, 53, false},    {15, 16, 54, true},   {2, 24, 55, false},   {16, 40, 56, true},
    {3, 48, 57, false},   {17, 64, 58, true},   {4, 72, 59, false},   {5, 96, 60, false},
    {18, 112, 61, true},  {6, 120, 62, false},  {19, 136, 63, true},  {7, 144, 64, false},
    {8, 168, 65, false},  {20, 184, 66, true},  {9, 192, 67, false},  {21, 208, 68, true},
    {10, 216, 69, false}, {22, 232, 70, true},  {11, 240, 71, false}, {12, 264, 72, false},
    {23, 280, 73, true},  {13, 288, 74, false}, {24, 304, 75, true},  {14, 312, 76, false},
}};

// Answer for a shape number that names no key: no note, nothing drawn.
constexpr PianoKey kNoKey{0, 0, 0, false};

constexpr int kFirstMappedNote = 53;

// The Japanese layout's rows: A W S E D R F G Y H U J K O L P ; @ : ]
constexpr std::array<PlayingKey, 20> kPlayingKeys{{
    {0x41, 38}, {0x57, 25}, {0x53, 39}, {0x45, 26}, {0x44, 40}, {0x52, 27}, {0x46, 41},
    {0x47, 42}, {0x59, 29}, {0x48, 43}, {0x55, 30}, {0x4A, 44}, {0x4B, 45}, {0x4F, 32},
    {0x4C, 46}, {0x50, 33}, {0xBB, 47}, {0xC0, 34}, {0xBA, 48}, {0xDD, 51},
}};

} // namespace

const std::array<PianoKey, 24>& PianoKeys()
{
    return kPianoKeys;
}

const std::array<PlayingKey, 20>& PlayingKeys()
{
    return kPlayingKeys;
}

const PianoKey& PianoKeyOfShape(int shape)
{
    const auto found = std::find_if(kPianoKeys.begin(), kPianoKeys.end(),
                                    [shape](const PianoKey& key) { return key.shape == shape; });
    return found != kPianoKeys.end() ? *found : kNoKey;
}

std::optional<int> MappedKeyIndex(int virtualKey)
{
    const auto found =
        std::find_if(kPlayingKeys.begin(), kPlayingKeys.end(),
                     [virtualKey](const PlayingKey& key) { return key.virtualKey == virtualKey; });
    if (found == kPlayingKeys.end())
        return std::nullopt;
    return int(std::distance(kPlayingKeys.begin(), found));
}

int NoteOfMappedKey(int index)
{
    return kFirstMappedNote + index;
}

} // namespace game
