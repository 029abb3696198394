// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a file whole, and what the player reads when that fails: what, where, why, what to do.
#pragma once

#include <QByteArray>
#include <QString>

namespace game {

struct WriteOutcome {
    QString failure; // the system's reason; empty once the file is written
    explicit operator bool() const { return failure.isEmpty(); }
};

// Writes `bytes` as the file at `path`, making its folders first. The file is replaced whole or
// not at all.
WriteOutcome WriteWholeFile(const QString& path, const QByteArray& bytes);

// The text of a box about a file not written: `what` could not be done, the file's path and the
// system's reason, each on a line of its own.
QString NotWrittenText(const QString& what, const QString& path, const QString& reason);

} // namespace game
