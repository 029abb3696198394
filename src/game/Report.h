// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard report: 27 lines per press (29 for an exam), and the date, time and duration texts it shows.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QStringList>

namespace game {

struct ReportInputs {
    QStringList player;  // twelve texts of the player's column, C ... B
    QStringList correct; // twelve texts of the correct column
    QString score;       // the score label's text
    QString device;      // the device list's text
    QString instrument;  // the instrument list's text
    int difficulty = 0;  // 0 ... 3
    bool referenceToneUsed = false;
    int referencePitch = 440; // A4 in Hz
    QDateTime tuningStart;
    QDateTime tuningEnd;
    QStringList exam; // an exam's lines: its result and its times; none for the normal game
};

struct CheckResult;
// The report's inputs from the answer check's result: both columns and the score as the results
// window shows them, the instrument by its name.
ReportInputs ReportInputsOf(const CheckResult& result);

// The 27 lines of one report (29 for an exam), without line ends.
QStringList ReportLines(const ReportInputs& inputs, const QLocale& locale = QLocale::system());

// An exam's result as the results window and the report show it: "検定式の得点：97.5点　合格".
QString ExamResultText(const CheckResult& result);
// "制限時間：20分　所要時間：0時12分34秒".
QString ExamTimeText(const CheckResult& result, const QLocale& locale);

// The level word of a difficulty: "特級", "上級", "中級", "初級".
QString LevelWord(int difficulty);
// The difficulty dialog's item of a difficulty, as the player chooses it: "特級（１セント単位）", …
QString DifficultyItemText(int difficulty);

// Short date, a blank and long time in the locale's formats; the date alone at exactly midnight.
QString DateTimeText(const QDateTime& moment, const QLocale& locale);

// The time from `start` to `end` as hours, minutes and seconds, without a time-zone name; hours
// past 24 are shown in full (25:00:00). A negative span counts as 0.
QString DurationText(const QDateTime& start, const QDateTime& end, const QLocale& locale);
// The same for a span given in milliseconds.
QString DurationText(qint64 msecs, const QLocale& locale);

// The report buffer's text: every line followed by CR LF.
QString WithCrLf(const QStringList& lines);

} // namespace game
