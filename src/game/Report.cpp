// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard report and its date, time and duration texts.
#include "game/Report.h"

#include "game/Challenge.h"
#include "game/Instruments.h"
#include "game/ReferencePitch.h"
#include "game/Score.h"
#include "game/Version.h"

namespace game {

namespace {

constexpr QChar kFullWidthSpace(0x3000);

// The note name filled to two characters, then three full-width spaces: "C 　　　", "C#　　　".
QString RowLabel(int pitchClass)
{
    return PitchClassName(pitchClass).leftJustified(2, u' ') + QString(3, kFullWidthSpace);
}

QString Padded(qint64 value, qsizetype width)
{
    return QString::number(value).rightJustified(width, u'0');
}

// Drops a field together with the blank that separated it from what came before.
void DropField(QString& out)
{
    while (!out.isEmpty() && out.back().isSpace())
        out.chop(1);
}

// The locale's time layout applied to a span: hour fields take the total hours (24-hour style
// even where the locale counts 12), AM/PM and time-zone fields are left out, and quoted text and
// separators stand as they are.
QString FormatSpan(qint64 msecs, const QString& layout)
{
    const qint64 hours = msecs / 3'600'000;
    const qint64 minutes = msecs / 60'000 % 60;
    const qint64 seconds = msecs / 1000 % 60;
    const qint64 millis = msecs % 1000;
    QString out;
    for (qsizetype i = 0; i < layout.size();) {
        const QChar c = layout[i];
        qsizetype run = 1;
        while (i + run < layout.size() && layout[i + run] == c)
            ++run;
        const qsizetype width = run >= 2 ? 2 : 1;
        if (c == u'\'') {
            // 'text' is literal; '' is a quote.
            const qsizetype close = layout.indexOf(u'\'', i + 1);
            const qsizetype end = close < 0 ? layout.size() : close;
            out += close == i + 1 ? QStringLiteral("'") : layout.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (c == u'h' || c == u'H')
            out += Padded(hours, width);
        else if (c == u'm')
            out += Padded(minutes, width);
        else if (c == u's')
            out += Padded(seconds, width);
        else if (c == u'z')
            out += Padded(millis, run >= 3 ? 3 : 1);
        else if (c == u't')
            DropField(out);
        else if (c == u'a' || c == u'A') {
            DropField(out);
            if (i + run < layout.size() && (layout[i + run] == u'p' || layout[i + run] == u'P'))
                ++run;
        } else
            out += layout.mid(i, run);
        i += run;
    }
    return out.trimmed();
}

} // namespace

namespace {

// An unknown difficulty plays as difficulty 0 (see Challenge.cpp), so it is named as one too.
QString OfDifficulty(const std::array<const char16_t*, kDifficulties>& texts, int difficulty)
{
    const bool known = difficulty >= 0 && difficulty < kDifficulties;
    return QString::fromUtf16(texts[known ? std::size_t(difficulty) : 0]);
}

} // namespace

QString LevelWord(int difficulty)
{
    return OfDifficulty({u"特級", u"上級", u"中級", u"初級"}, difficulty);
}

QString DifficultyItemText(int difficulty)
{
    // The last item's half-width brackets are as the dialog has always shown them.
    return OfDifficulty(
        {u"特級（１セント単位）", u"上級（３セント単位）", u"中級（５セント単位）", u"初級(１０セント単位)"},
        difficulty);
}

QString DateTimeText(const QDateTime& moment, const QLocale& locale)
{
    if (!moment.isValid())
        return {};
    const QString date = locale.toString(moment.date(), QLocale::ShortFormat);
    if (moment.time() == QTime(0, 0))
        return date;
    // Formatted as a date-time so that a zone name in the long layout is the moment's own.
    return date + u' ' + locale.toString(moment, locale.timeFormat(QLocale::LongFormat));
}

QString DurationText(const QDateTime& start, const QDateTime& end, const QLocale& locale)
{
    return DurationText(start.isValid() && end.isValid() ? start.msecsTo(end) : 0, locale);
}

QString DurationText(qint64 msecs, const QLocale& locale)
{
    return FormatSpan(std::max<qint64>(msecs, 0), locale.timeFormat(QLocale::LongFormat));
}

QStringList ReportLines(const ReportInputs& inputs, const QLocale& locale)
{
    const QString rule(33, u'-');
    QStringList lines{rule, QStringLiteral("音名\u3000貴方の調律\u3000正解の調律")};
    for (int k = 0; k < kPitchClasses; ++k)
        lines << RowLabel(k) + inputs.player.value(k) + QString(6, kFullWidthSpace) + inputs.correct.value(k);
    lines << QString() << QStringLiteral("得点：") + inputs.score << QString()
          << QStringLiteral("使用音源：") + inputs.device << QStringLiteral("音色：") + inputs.instrument
          << QStringLiteral("難易度：") + LevelWord(inputs.difficulty)
          << QStringLiteral("基準音の使用：") +
                 (inputs.referenceToneUsed ? QStringLiteral("使用") : QStringLiteral("不使用"))
          << QStringLiteral("基準ピッチ：") + ReferencePitchText(inputs.referencePitch) << inputs.exam
          << QStringLiteral("調律開始時刻：") + DateTimeText(inputs.tuningStart, locale)
          << QStringLiteral("調律終了時刻：") + DateTimeText(inputs.tuningEnd, locale)
          << QStringLiteral("所要時間：") + DurationText(inputs.tuningStart, inputs.tuningEnd, locale)
          << QString::fromLatin1(kVersionLine) << rule;
    return lines;
}

ReportInputs ReportInputsOf(const CheckResult& result)
{
    ReportInputs inputs;
    for (int k = 0; k < kPitchClasses; ++k) {
        inputs.player << CentsText(result.player[std::size_t(k)]);
        inputs.correct << CentsText(result.correct[std::size_t(k)]);
    }
    inputs.score = QString::number(result.score);
    inputs.device = result.device;
    inputs.instrument = InstrumentName(result.instrument);
    inputs.difficulty = result.difficulty;
    inputs.referenceToneUsed = result.referenceToneUsed;
    inputs.referencePitch = result.referencePitch;
    inputs.tuningStart = result.started;
    inputs.tuningEnd = result.ended;
    if (result.isExam())
        inputs.exam = {ExamResultText(result), ExamTimeText(result, QLocale::system())};
    return inputs;
}

QString ExamResultText(const CheckResult& result)
{
    return QStringLiteral("検定式の得点：%1点　%2")
        .arg(result.examScore.score)
        .arg(result.examScore.passed() ? QStringLiteral("合格") : QStringLiteral("不合格"));
}

QString ExamTimeText(const CheckResult& result, const QLocale& locale)
{
    return QStringLiteral("制限時間：%1分　所要時間：%2")
        .arg(result.examMinutes)
        .arg(DurationText(result.started, result.ended, locale));
}

QString WithCrLf(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

} // namespace game
