// SPDX-License-Identifier: GPL-3.0-or-later
// The on-screen keyboard and the computer keys that play it, as tables.
#include "game/KeyMap.h"

#include <Qt>

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

constexpr int kFirstPlayedNote = 53;

// A computer key that plays the keyboard: where it sits, and its Qt key on the Japanese layout.
struct PlayingKey {
    unsigned x11KeyCode;
    int qtKey;
};

// The Japanese layout's rows, in note order from F3: A W S E D R F G Y H U J K O L P ; @ : ]
constexpr std::array<PlayingKey, 20> kPlayingKeys{{
    {38, Qt::Key_A},         {25, Qt::Key_W},  {39, Qt::Key_S},     {26, Qt::Key_E},
    {40, Qt::Key_D},         {27, Qt::Key_R},  {41, Qt::Key_F},     {42, Qt::Key_G},
    {29, Qt::Key_Y},         {43, Qt::Key_H},  {30, Qt::Key_U},     {44, Qt::Key_J},
    {45, Qt::Key_K},         {32, Qt::Key_O},  {46, Qt::Key_L},     {33, Qt::Key_P},
    {47, Qt::Key_Semicolon}, {34, Qt::Key_At}, {48, Qt::Key_Colon}, {51, Qt::Key_BracketRight},
}};

constexpr PlayingKey kPedalKey{65, Qt::Key_Space};

bool IsKey(const PlayingKey& key, unsigned x11KeyCode, int qtKey)
{
    return x11KeyCode != 0 ? key.x11KeyCode == x11KeyCode : key.qtKey == qtKey;
}

} // namespace

const std::array<PianoKey, 24>& PianoKeys()
{
    return kPianoKeys;
}

const PianoKey& PianoKeyOfShape(int shape)
{
    const auto found = std::find_if(kPianoKeys.begin(), kPianoKeys.end(),
                                    [shape](const PianoKey& key) { return key.shape == shape; });
    return found != kPianoKeys.end() ? *found : kNoKey;
}

KeyRole RoleOfKey(unsigned x11KeyCode, int qtKey)
{
    if (IsKey(kPedalKey, x11KeyCode, qtKey))
        return {.kind = KeyRole::Kind::Pedal};
    const auto found = std::find_if(kPlayingKeys.begin(), kPlayingKeys.end(),
                                    [&](const PlayingKey& key) { return IsKey(key, x11KeyCode, qtKey); });
    if (found == kPlayingKeys.end())
        return {};
    return {.kind = KeyRole::Kind::Note,
            .note = kFirstPlayedNote + int(std::distance(kPlayingKeys.begin(), found))};
}

} // namespace game
