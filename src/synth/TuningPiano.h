// SPDX-License-Identifier: GPL-3.0-or-later
// The tuning piano's strings: one struck string per key, where its partials lie, how loud they are
// and how they die away, and the sample each key plays.
#pragma once

#include <cstdint>
#include <stop_token>
#include <vector>

namespace synth {

// Partials at whole multiples of the first, or as sharp as a real piano's stiff strings make them.
enum class StringKind { Harmonic, Stiff };

// The inharmonicity coefficient B of the string of `key` on a real piano (see Inharmonicity.cpp's
// source note); f_n = n·f0·√(1 + B·n²).
double Inharmonicity(int key);

// Partial n's frequency over n times the first partial's: √((1 + B·n²) / (1 + B)); 1 for a harmonic
// string.
double PartialStretch(int n, StringKind kind, int key);

// The key whose string sounds `key`: every key of the game's keyboard (F3 ... E5) is a string of its
// own; below it F3's string plays, transposed down; above it one string every three keys, each played
// at most a semitone up, so that no partial folds over at the top of the band.
int ModelKeyOf(int key);
std::vector<int> ModelKeys();

struct StringSample {
    int rootKey = 0;
    std::vector<std::int16_t> frames; // at the rate asked for, unlooped, silent at the end
    float attenuation = 0;            // centibels the voice plays it at: the FluidR3 piano's level
};

// The struck string of `modelKey` at `rate` frames a second, tuned `cents` off equal temperament at
// A4 = 440 Hz (a master tune's fraction of a cent). Empty when `stop` is requested meanwhile.
StringSample MakeStringSample(int modelKey, StringKind kind, int rate, std::stop_token stop = {},
                              double cents = 0);

} // namespace synth
