// SPDX-License-Identifier: GPL-3.0-or-later
// The history as CSV: one row a challenge, each of the twelve detunings and twelve corrections in
// a column of its own.
#pragma once

#include "history/Record.h"

#include <QByteArray>
#include <QString>

#include <span>

namespace history {

// A field as CSV holds it: quoted, with quotes doubled, when it has a comma, quote or line break.
QString CsvField(const QString& text);
// A text column's field: one a spreadsheet would run as a formula (it begins with = + - @, a tab or
// a CR) gets a leading apostrophe first, which spreadsheets show as text. Numbers do not pass here:
// a negative score stays a number.
QString CsvTextField(const QString& text);

// The header and one line per record, CR LF after each; UTF-8 with a byte-order mark, so that
// spreadsheets read the Japanese texts. The difficulty is named as the player chose it.
QByteArray HistoryCsv(std::span<const ChallengeRecord> records);

// Where the export is offered: the player's documents folder, or the home folder without one.
QString DefaultCsvPath();

} // namespace history
