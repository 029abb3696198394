// SPDX-License-Identifier: GPL-3.0-or-later
// The history at scale: the cost of recording one answer check, and the window "成績の推移" opened
// on 100,000 recorded challenges, with the size of that file. Prints tab-separated rows.
#include "Rows.h"
#include "history/Database.h"
#include "history/Recorder.h"
#include "host/QtDesktop.h"
#include "windows/HistoryWindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <random>

using bench::Clock;
using bench::MillisecondsSince;
using bench::Row;

namespace {

// A player's year: challenges a minute apart, scores and corrections drawn at random.
std::vector<history::ChallengeRecord> GeneratedHistory(int count)
{
    std::mt19937 random(13);
    std::uniform_int_distribution<int> detune(-20, 19), miss(-6, 6), level(0, 3);
    std::vector<history::ChallengeRecord> records(static_cast<std::size_t>(count));
    QDateTime start = QDateTime::currentDateTime().addSecs(-60LL * count);
    for (auto& record : records) {
        record.started = start;
        record.ended = start.addSecs(45);
        record.elapsedMs = 45'000;
        record.difficulty = level(random);
        record.instrument = 0;
        record.device = QStringLiteral("FluidSynth (built-in)");
        record.score = 100;
        for (std::size_t k = 0; k < 12; ++k) {
            record.detune[k] = detune(random);
            record.player[k] = -record.detune[k] + miss(random);
            record.score -= std::abs(record.player[k] + record.detune[k]);
        }
        start = start.addSecs(60);
    }
    return records;
}

double FileMegabytes(const QString& path)
{
    double bytes = 0;
    for (const char* suffix : {"", "-wal", "-shm"})
        bytes += double(QFileInfo(path + QLatin1String(suffix)).size());
    return bytes / (1024 * 1024);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    host::QtDesktop desktop;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    constexpr int kChallenges = 100'000;
    const auto records = GeneratedHistory(kChallenges);
    {
        history::Database database(path, history::kWaitAtExit);
        database.append(records);
    }
    Row("history file with 100,000 challenges", FileMegabytes(path), "MB");

    {
        history::Recorder recorder(path);
        const auto opening = Clock::now();
        recorder.prepare();
        Row("open the history file, once a run while the player listens", MillisecondsSince(opening), "ms");
        std::vector<double> costs;
        for (int i = 0; i < 200; ++i) {
            const auto start = Clock::now();
            recorder.record(records[std::size_t(i)]);
            costs.push_back(MillisecondsSince(start));
        }
        const double first = costs.front();
        std::sort(costs.begin(), costs.end());
        Row("record one answer check, the first of a run", first, "ms");
        Row("record one answer check (median of 200)", costs[costs.size() / 2], "ms");
        Row("record one answer check (slowest of 200)", costs.back(), "ms");
    }

    {
        const auto start = Clock::now();
        windows::HistoryWindow window(desktop);
        const double built = MillisecondsSince(start);
        window.load(path);
        const double loaded = MillisecondsSince(start);
        window.show();
        QCoreApplication::processEvents();
        window.repaint();
        Row("window opened and drawn", MillisecondsSince(start), "ms");
        Row("  challenges it shows", double(window.records().size()), "");
        Row("  of which building the window", built, "ms");
        Row("  of which reading the file and filling charts and table", loaded - built, "ms");
        Row("resident memory with the window open", bench::ResidentMegabytes(), "MB");
    }
    return 0;
}
