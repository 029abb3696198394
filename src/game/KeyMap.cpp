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

constexpr int kFirstMappedNote = 53;

// The Japanese layout's rows: A W S E D R F G Y H U J K O L P ; @ : ]
constexpr std::array<int, 20> kMappedKeys{0x41, 0x57, 0x53, 0x45, 0x44, 0x52, 0x46, 0x47, 0x59, 0x48,
                                          0x55, 0x4A, 0x4B, 0x4F, 0x4C, 0x50, 0xBB, 0xC0, 0xBA, 0xDD};

struct CodePair {
    int from;
    int virtualKey;
};

// By physical position: X11 key codes (evdev code + 8) of the keys above, and the space bar.
constexpr std::array<CodePair, 21> kX11Keys{{
    {38, 0x41}, {25, 0x57}, {39, 0x53}, {26, 0x45}, {40, 0x44}, {27, 0x52}, {41, 0x46},
    {42, 0x47}, {29, 0x59}, {43, 0x48}, {30, 0x55}, {44, 0x4A}, {45, 0x4B}, {32, 0x4F},
    {46, 0x4C}, {33, 0x50}, {47, 0xBB}, {34, 0xC0}, {48, 0xBA}, {51, 0xDD}, {65, kVkSpace},
}};

// Without a native code, by the character Qt reports; letters are handled apart.
constexpr std::array<CodePair, 5> kQtKeys{{
    {Qt::Key_Space, kVkSpace},
    {Qt::Key_Semicolon, 0xBB},
    {Qt::Key_At, 0xC0},
    {Qt::Key_Colon, 0xBA},
    {Qt::Key_BracketRight, 0xDD},
}};

template <std::size_t N> int Translate(const std::array<CodePair, N>& table, int from)
{
    const auto found =
        std::find_if(table.begin(), table.end(), [from](const CodePair& pair) { return pair.from == from; });
    return found != table.end() ? found->virtualKey : 0;
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

const std::array<int, 20>& MappedKeys()
{
    return kMappedKeys;
}

std::optional<int> MappedKeyIndex(int virtualKey)
{
    const auto found = std::find(kMappedKeys.begin(), kMappedKeys.end(), virtualKey);
    if (found == kMappedKeys.end())
        return std::nullopt;
    return int(std::distance(kMappedKeys.begin(), found));
}

int NoteOfMappedKey(int index)
{
    return kFirstMappedNote + index;
}

int VirtualKeyOf(unsigned nativeScanCode, int qtKey)
{
    if (nativeScanCode != 0)
        return nativeScanCode <= 255 ? Translate(kX11Keys, int(nativeScanCode)) : 0;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 0x41 + (qtKey - Qt::Key_A);
    return Translate(kQtKeys, qtKey);
}

} // namespace game
