// SPDX-License-Identifier: GPL-3.0-or-later
// Moving averages, errors per pitch class and the summary of a history.
#include "history/Statistics.h"

#include <algorithm>
#include <cstdlib>

namespace history {

std::vector<double> MovingAverage(std::span<const double> values, int length)
{
    std::vector<double> averages;
    averages.reserve(values.size());
    double sum = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        sum += values[i];
        if (i >= std::size_t(length))
            sum -= values[i - std::size_t(length)];
        averages.push_back(sum / double(std::min(i + 1, std::size_t(length))));
    }
    return averages;
}

QList<QPointF> Thinned(const QList<QPointF>& points, int buckets)
{
    if (points.size() <= 2 * qsizetype(buckets))
        return points;
    QList<QPointF> thinned;
    thinned.reserve(2 * buckets);
    for (int b = 0; b < buckets; ++b) {
        const auto first = points.begin() + points.size() * b / buckets;
        const auto last = points.begin() + points.size() * (b + 1) / buckets;
        const auto [low, high] = std::minmax_element(
            first, last, [](const QPointF& a, const QPointF& c) { return a.y() < c.y(); });
        thinned << (low < high ? *low : *high) << (low < high ? *high : *low);
    }
    return thinned;
}

std::array<PitchClassError, kPitchClasses> PitchClassErrors(std::span<const ChallengeRecord> records,
                                                            std::optional<std::size_t> count)
{
    std::array<PitchClassError, kPitchClasses> errors{};
    const auto newest = records.last(std::min(records.size(), count.value_or(records.size())));
    if (newest.empty())
        return errors;
    for (const ChallengeRecord& record : newest)
        for (int k = 0; k < kPitchClasses; ++k) {
            errors[std::size_t(k)].meanSigned += record.signedError(k);
            errors[std::size_t(k)].meanAbsolute += std::abs(record.signedError(k));
        }
    for (auto& error : errors) {
        error.meanSigned /= double(newest.size());
        error.meanAbsolute /= double(newest.size());
    }
    return errors;
}

Summary Summarize(std::span<const ChallengeRecord> records)
{
    Summary summary;
    std::array<std::vector<int>, kDifficulties> scores;
    for (const ChallengeRecord& record : records) {
        ++summary.challenges;
        summary.practisedMs += record.elapsedMs;
        summary.exams += record.isExam();
        summary.examsPassed += record.isExam() && record.examPassed;
        if (record.difficulty >= 0 && record.difficulty < kDifficulties)
            scores[std::size_t(record.difficulty)].push_back(record.score);
    }
    for (int d = 0; d < kDifficulties; ++d) {
        auto& list = scores[std::size_t(d)];
        auto& out = summary.byDifficulty[std::size_t(d)];
        if (list.empty())
            continue;
        out.challenges = int(list.size());
        out.latest = list.back();
        std::sort(list.begin(), list.end());
        out.best = list.back();
        const std::size_t middle = list.size() / 2;
        out.median = list.size() % 2 ? list[middle] : (list[middle - 1] + list[middle]) / 2.0;
    }
    return summary;
}

} // namespace history
