// SPDX-License-Identifier: GPL-3.0-or-later
// The practice drills' trials as the history keeps them: one row a trial in the table
// drill_trials, beside the challenges.
#pragma once

#include "history/Database.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <span>
#include <vector>

namespace history {

enum class Drill { BeatComparison, Unison };

struct DrillRecord {
    QDateTime at; // local date and time with its offset from UTC
    Drill drill = Drill::BeatComparison;
    QString subject;      // the pair ("A3–D4（完全4度） / G3–D4（完全5度）") or the key ("A4")
    double setAmount = 0; // the set difference (0.3 is 30 %), or the hidden detuning in cents
    QString answer;       // "1" or "2", or where the player left the slider, in cents
    std::optional<bool> right;        // the comparison's verdict
    std::optional<double> errorCents; // the unison's error
    std::optional<double> threshold;  // the comparison's threshold estimate after the trial
    int instrument = 0;
    QString device;

    bool operator==(const DrillRecord&) const = default;
};

// The statements that make the table (one migration).
QStringList DrillTableStatements();

// Writes the records in one transaction; false when the file would not take them.
bool AppendDrillRecords(Database& database, std::span<const DrillRecord> records);
// Every trial, oldest first; none from a file without the table.
std::vector<DrillRecord> ReadDrillRecords(Database& database);

// The trials as CSV lines, a header first, CR LF after each (no byte-order mark: it follows the
// challenges in the same export).
QByteArray DrillCsv(std::span<const DrillRecord> records);

// The unison's progress: after each check, the median of the last `window` checks' errors (cents,
// either way alike), at that check's time.
struct TimedValue {
    QDateTime at;
    double value = 0;
};
std::vector<TimedValue> UnisonMedianErrors(std::span<const DrillRecord> records, std::size_t window = 10);
// The comparison's threshold estimates, at their trials' times.
std::vector<TimedValue> ComparisonThresholds(std::span<const DrillRecord> records);

// "うなりの速さ比べ", "ユニゾン".
QString DrillName(Drill drill);

} // namespace history
