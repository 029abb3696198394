// SPDX-License-Identifier: GPL-3.0-or-later
// Figures drawn from the history: moving averages, the player's errors per pitch class, the summary.
#pragma once

#include "history/Record.h"

#include <QList>
#include <QPointF>

#include <array>
#include <optional>
#include <span>
#include <vector>

namespace history {

constexpr int kDifficulties = 4;
constexpr int kMovingAverageLength = 10;

// The mean of each value and the ones before it, at most `length` values in all.
std::vector<double> MovingAverage(std::span<const double> values, int length = kMovingAverageLength);

// A line of many points drawn alike with fewer: the points in order, cut into `buckets` runs, each
// run kept as its lowest and its highest point. Short lines come back whole.
QList<QPointF> Thinned(const QList<QPointF>& points, int buckets);

struct PitchClassError {
    double meanSigned = 0; // player minus correct: positive is sharp
    double meanAbsolute = 0;
};

// Over the newest `count` records (all of them when `count` is empty); zeros without records.
std::array<PitchClassError, kPitchClasses> PitchClassErrors(std::span<const ChallengeRecord> records,
                                                            std::optional<std::size_t> count);

struct DifficultySummary {
    int challenges = 0;
    int best = 0;
    double median = 0;
    int latest = 0;
};

struct Summary {
    int challenges = 0;
    std::int64_t practisedMs = 0;
    std::array<DifficultySummary, kDifficulties> byDifficulty{};
    int exams = 0; // of the challenges, exams; and of those, the ones passed
    int examsPassed = 0;
};

// `records` oldest first.
Summary Summarize(std::span<const ChallengeRecord> records);

} // namespace history
