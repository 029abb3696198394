// SPDX-License-Identifier: GPL-3.0-or-later
// The unison drill's draws and its check.
#include "game/UnisonDrill.h"

#include <cmath>

namespace game {

namespace {

// Below two tenths of a cent two strings beat slower than once in twenty seconds at F3: nothing to
// hear, so the hidden amount never comes that close.
constexpr int kNearestHiddenTenths = 2;

} // namespace

double UnisonBeatRate(int key, double cents)
{
    const double hz = 440.0 * std::pow(2.0, (key - 69) / 12.0);
    return hz * std::abs(std::pow(2.0, cents / 1200.0) - 1);
}

void UnisonDrill::startTrial()
{
    key_ = chosenKey_ ? *chosenKey_
                      : std::uniform_int_distribution<int>(kUnisonLowestKey, kUnisonHighestKey)(random_);
    const int reach = kUnisonReachCents[std::size_t(difficulty_)] * 10;
    std::uniform_int_distribution<int> tenths(kNearestHiddenTenths, reach);
    hiddenTenths_ = tenths(random_) * (std::bernoulli_distribution(0.5)(random_) ? 1 : -1);
    sliderTenths_ = 0;
}

UnisonCheck UnisonDrill::check() const
{
    const double error = secondStringCents();
    return {.key = key_,
            .setCents = hiddenTenths_ / 10.0,
            .errorCents = error,
            .beatRate = UnisonBeatRate(key_, error)};
}

} // namespace game
