// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard reports of one run: each new report is appended, and the clipboard gets them all.
#pragma once

#include <QString>
#include <QStringList>

namespace game {

class ReportLog {
public:
    // Appends each line followed by CR LF.
    void append(const QStringList& lines);
    // Every report appended since start, oldest first, each line ended by CR LF.
    const QString& text() const { return text_; }

private:
    QString text_;
};

} // namespace game
