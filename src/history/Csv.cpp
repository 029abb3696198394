// SPDX-License-Identifier: GPL-3.0-or-later
// The CSV export of the history.
#include "history/Csv.h"

#include "game/Challenge.h"
#include "game/Instruments.h"
#include "game/Report.h"

#include <QDir>
#include <QStandardPaths>
#include <QStringList>

namespace history {

QString CsvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString CsvTextField(const QString& text)
{
    // A device name is whatever any local program called its JACK or ALSA port.
    const bool formula = !text.isEmpty() && QStringView(u"=+-@\t\r").contains(text.front());
    return CsvField(formula ? u'\'' + text : text);
}

QByteArray HistoryCsv(std::span<const ChallengeRecord> records)
{
    QStringList header = {"開始時刻", "終了時刻", "所要時間（秒）", "難易度",           "音色番号",
                          "音色",     "音源",     "基準音の使用",   "うなり練習の使用", "点数"};
    for (const char* kind : {"出題のずれ", "貴方の調律"})
        for (int k = 0; k < kPitchClasses; ++k)
            header << QString::fromUtf8(kind) + u' ' + game::PitchClassName(k);
    header << "モード"
           << "制限時間（分）"
           << "検定式の得点"
           << "検定の合否"
           << "基準ピッチ（Hz）";
    for (QString& name : header)
        name = CsvTextField(name);
    QString text = header.join(u',') + QStringLiteral("\r\n");
    for (const ChallengeRecord& record : records) {
        QStringList row = {CsvTextField(record.started.toString(Qt::ISODate)),
                           CsvTextField(record.ended.toString(Qt::ISODate)),
                           QString::number(double(record.elapsedMs) / 1000.0, 'f', 3),
                           CsvTextField(game::DifficultyItemText(record.difficulty)),
                           QString::number(record.instrument),
                           CsvTextField(game::InstrumentName(record.instrument)),
                           CsvTextField(record.device),
                           record.referenceToneUsed ? QStringLiteral("1") : QStringLiteral("0"),
                           record.beatWindowUsed ? QStringLiteral("1") : QStringLiteral("0"),
                           QString::number(record.score)};
        for (const Cents* cents : {&record.detune, &record.player})
            for (std::int32_t value : *cents)
                row << QString::number(value);
        row << (record.isExam() ? QStringLiteral("検定") : QStringLiteral("通常"))
            << QString::number(record.examMinutes)
            << (record.isExam() ? QString::number(record.examScore) : QString())
            << (record.isExam() ? (record.examPassed ? QStringLiteral("合格") : QStringLiteral("不合格"))
                                : QString())
            << QString::number(record.referencePitch);
        text += row.join(u',') + QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QString DefaultCsvPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return QDir(folder).filePath(QStringLiteral("velmora-history.csv"));
}

} // namespace history
