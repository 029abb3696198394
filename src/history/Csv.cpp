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

QByteArray HistoryCsv(std::span<const ChallengeRecord> records)
{
    QStringList header = {"開始時刻", "終了時刻", "所要時間（秒）", "難易度",           "音色番号",
                          "音色",     "音源",     "基準音の使用",   "うなり練習の使用", "点数"};
    for (const char* kind : {"出題のずれ", "貴方の調律"})
        for (int k = 0; k < kPitchClasses; ++k)
            header << QString::fromUtf8(kind) + u' ' + game::PitchClassName(k);
    QString text = header.join(u',') + QStringLiteral("\r\n");
    for (const ChallengeRecord& record : records) {
        QStringList row = {record.started.toString(Qt::ISODate),
                           record.ended.toString(Qt::ISODate),
                           QString::number(double(record.elapsedMs) / 1000.0, 'f', 3),
                           game::DifficultyItemText(record.difficulty),
                           QString::number(record.instrument),
                           CsvField(game::InstrumentName(record.instrument)),
                           CsvField(record.device),
                           record.referenceToneUsed ? QStringLiteral("1") : QStringLiteral("0"),
                           record.beatWindowUsed ? QStringLiteral("1") : QStringLiteral("0"),
                           QString::number(record.score)};
        for (const Cents* cents : {&record.detune, &record.player})
            for (std::int32_t value : *cents)
                row << QString::number(value);
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
