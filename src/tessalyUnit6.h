// SPDX-License-Identifier: GPL-3.0-or-later
// TForm6, the never-shown window whose memo is the buffer of the clipboard reports.
#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <QWidget>

class TForm6 : public QWidget {
    Q_OBJECT
public:
    TForm6();

    // Appends each line followed by CR LF.
    void AppendLines(const QStringList& lines);
    // Every report appended since start, oldest first, each line ended by CR LF.
    const QString& ReportText() const { return text_; }

    QPlainTextEdit* Memo1 = nullptr;

private:
    QString text_; // the buffer itself: the memo shows it, but would turn CR LF into plain line breaks
};

extern TForm6* Form6;
