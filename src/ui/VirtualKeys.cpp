// SPDX-License-Identifier: GPL-3.0-or-later
// Key events as virtual-key codes: X11 key codes by the playing keys' positions, else Qt's keys.
#include "ui/VirtualKeys.h"

#include "game/KeyMap.h"

#include <Qt>

#include <algorithm>
#include <array>

namespace ui {
namespace {

// The space bar's X11 key code.
constexpr unsigned kX11Space = 65;

struct CodePair {
    int from;
    int virtualKey;
};

// Without a native code, by the character Qt reports; letters are handled apart.
constexpr std::array<CodePair, 5> kQtKeys{{
    {Qt::Key_Space, game::kVkSpace},
    {Qt::Key_Semicolon, 0xBB},
    {Qt::Key_At, 0xC0},
    {Qt::Key_Colon, 0xBA},
    {Qt::Key_BracketRight, 0xDD},
}};

int TranslateQtKey(int qtKey)
{
    const auto found = std::find_if(kQtKeys.begin(), kQtKeys.end(),
                                    [qtKey](const CodePair& pair) { return pair.from == qtKey; });
    return found != kQtKeys.end() ? found->virtualKey : 0;
}

int TranslateX11KeyCode(unsigned code)
{
    if (code == kX11Space)
        return game::kVkSpace;
    const auto& keys = game::PlayingKeys();
    const auto found = std::find_if(keys.begin(), keys.end(), [code](const game::PlayingKey& key) {
        return unsigned(key.x11KeyCode) == code;
    });
    return found != keys.end() ? found->virtualKey : 0;
}

} // namespace

int VirtualKeyOf(unsigned nativeScanCode, int qtKey)
{
    if (nativeScanCode != 0)
        return TranslateX11KeyCode(nativeScanCode);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 0x41 + (qtKey - Qt::Key_A);
    return TranslateQtKey(qtKey);
}

} // namespace ui
