// SPDX-License-Identifier: GPL-3.0-or-later
// The drill "ユニゾン" without widgets: one key as two strings, the second off by a hidden amount,
// which the player cancels with a slider in tenths of a cent.
#pragma once

#include <array>
#include <optional>
#include <random>

namespace game {

// The second string's channel, MIDI channel 3: neither the keys' (1) nor the reference A's (2).
constexpr int kSecondStringChannel = 2;

constexpr int kUnisonLowestKey = 53;  // F3
constexpr int kUnisonHighestKey = 76; // E5
// The hidden detuning's reach either way, in cents, by difficulty: easy, middle, hard.
constexpr std::array<int, 3> kUnisonReachCents = {5, 2, 1};
// The slider's reach either way, in tenths of a cent: the same at every difficulty, so that its
// range tells nothing of the hidden amount.
constexpr int kUnisonSliderTenths = 100;

// How fast two strings of `key` this many cents apart beat (their fundamentals), A4 = 440 Hz.
double UnisonBeatRate(int key, double cents);

struct UnisonCheck {
    int key = 0;
    double setCents = 0;   // the hidden detuning of the second string
    double errorCents = 0; // what the player left: the second string's distance from the first
    double beatRate = 0;   // Hz, the beat that distance leaves
};

class UnisonDrill {
public:
    explicit UnisonDrill(std::mt19937& random) : random_(random) {}

    // A key from F3 ... E5, or nullopt for a key at random each trial.
    void chooseKey(std::optional<int> key) { chosenKey_ = key; }
    // 0 (±5 cents), 1 (±2) or 2 (±1).
    void chooseDifficulty(int difficulty) { difficulty_ = difficulty; }
    int difficulty() const { return difficulty_; }
    // A new trial: the key, the hidden detuning, the slider at its centre.
    void startTrial();
    void moveSlider(int tenths) { sliderTenths_ = tenths; }

    int key() const { return key_; }
    int sliderTenths() const { return sliderTenths_; }
    // Where the second string sounds now: the hidden detuning plus the slider, in cents.
    double secondStringCents() const { return (hiddenTenths_ + sliderTenths_) / 10.0; }
    UnisonCheck check() const;

private:
    std::mt19937& random_;
    std::optional<int> chosenKey_;
    int difficulty_ = 0;
    int key_ = kUnisonLowestKey;
    int hiddenTenths_ = 0;
    int sliderTenths_ = 0;
};

} // namespace game
