// SPDX-License-Identifier: GPL-3.0-or-later
// The corrections shipped for FluidR3_GM: they are what the measuring code gives today, they name
// the installed file, and the calibrator takes a preset from the user's cache, then from the table
// when it describes the SoundFont, then from a measurement.
#include "InventedTuning.h"
#include "synth/BuiltinSynthDevice.h"
#include "synth/TuningCalibrator.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cmath>

namespace {

const std::string kSoundFont = synth::BuiltinSynthOptions{}.soundFonts.front();
using testing::Invented;
constexpr auto kPatience = std::chrono::minutes(2);
constexpr const char* kRemake = "the measurement changed: run tools/remake_tuning_table.sh and commit "
                                "resources/FluidR3_GM-tuning.json";

// BLAKE2b-256 by coreutils, not by the code under test.
QByteArray B2Sum(const QString& file)
{
    QProcess b2sum;
    b2sum.start("b2sum", {"-l", "256", file});
    b2sum.waitForFinished(60000);
    return b2sum.readAllStandardOutput().left(64);
}

bool Near(const std::array<double, synth::ProgramTuning::kKeys>& a,
          const std::array<double, synth::ProgramTuning::kKeys>& b)
{
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::abs(a[i] - b[i]) > 0.001)
            return false;
    return true;
}

} // namespace

class TestTuningTable : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;
    QString soundFont_; // a stand-in file, 2 bytes
    int measured_ = 0;

    void writeSoundFont(const QByteArray& content)
    {
        QFile file(soundFont_);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    }

    // What a calibrator of the stand-in, with a table made for its first content, gives for program 7.
    std::optional<synth::ProgramTuning> started(const synth::TuningCache& cache)
    {
        const synth::TuningTable table{
            .soundFont = "GM.sf2", .size = 2, .contentHash = B2Sum(soundFont_), .programs = {}};
        return startedWith(cache, table);
    }
    std::optional<synth::ProgramTuning> startedWith(const synth::TuningCache& cache, synth::TuningTable table)
    {
        table.programs = {{7, Invented(1.5)}};
        synth::TuningCalibrator calibrator(
            soundFont_.toStdString(), cache,
            [this](int, std::stop_token) {
                ++measured_;
                return std::optional(Invented(9.5));
            },
            {}, synth::ShippedTuning{table, soundFont_.toStdString()});
        calibrator.request(7);
        return calibrator.waitFor(7, kPatience);
    }

private slots:
    void init()
    {
        soundFont_ = folder_.filePath("GM.sf2");
        writeSoundFont("sf");
        measured_ = 0;
    }

    // A fresh measurement of a few programs gives the shipped entries.
    void shippedTableIsTodaysMeasurement_data()
    {
        QTest::addColumn<int>("program");
        QTest::newRow("piano") << 0;
        QTest::newRow("piano 2") << 1;
        QTest::newRow("seashore, left uncorrected") << 122;
    }
    void shippedTableIsTodaysMeasurement()
    {
        QFETCH(int, program);
        const auto table = synth::TuningTable::Shipped();
        QVERIFY2(table, kRemake);
        const auto shipped = table->find(program);
        const auto measured = synth::MeasureProgramTuning(kSoundFont, program);
        QVERIFY2(shipped && measured, "no General MIDI SoundFont (fluid-soundfont-gm)");
        QVERIFY2(program != 122 || !shipped->corrected, "the table corrects the seashore");
        QVERIFY2(shipped->corrected == measured->corrected && Near(shipped->offsets, measured->offsets) &&
                     Near(shipped->leftOffsets, measured->leftOffsets) &&
                     Near(shipped->rightOffsets, measured->rightOffsets),
                 kRemake);
    }

    void shippedTableNamesTheInstalledSoundFont()
    {
        const auto table = synth::TuningTable::Shipped();
        QVERIFY2(table, kRemake);
        QCOMPARE(table->programs.size(), std::size_t(128));
        QCOMPARE(table->size, QFileInfo(QString::fromStdString(kSoundFont)).size());
        QCOMPARE(table->contentHash, B2Sum(QString::fromStdString(kSoundFont)));
    }

    void presetFromCacheThenTableThenMeasurement()
    {
        const synth::TuningCache cache(folder_.filePath("cache"));
        QCOMPARE(started(cache), Invented(1.5)); // the table
        QVERIFY(cache.store(soundFont_.toStdString(), 7, Invented(4.5)));
        QCOMPARE(started(cache), Invented(4.5)); // the cache first
        QFile entry(cache.filePath(soundFont_.toStdString(), 7));
        QVERIFY(entry.open(QIODevice::WriteOnly) && entry.write("{}") == 2);
        entry.close();
        QCOMPARE(started(cache), Invented(1.5)); // a damaged cache: the table again
        QCOMPARE(measured_, 0);
    }

    // Another content of the same size, or another size, is measured; so is everything when the
    // table comes from another measuring method.
    void tableOnlyForItsOwnFile()
    {
        const synth::TuningTable table{
            .soundFont = "GM.sf2", .size = 2, .contentHash = B2Sum(soundFont_), .programs = {}};
        writeSoundFont("SF");
        QCOMPARE(startedWith(synth::TuningCache(folder_.filePath("changed")), table), Invented(9.5));
        writeSoundFont("sf2");
        const synth::TuningCache longer(folder_.filePath("longer"));
        QCOMPARE(startedWith(longer, table), Invented(9.5));
        QVERIFY(!longer.loadContentHash(soundFont_.toStdString())); // not hashed: the size differs
        QCOMPARE(measured_, 2);

        QByteArray json = table.written();
        QVERIFY(json.contains("\"method\":"));
        json.replace("\"method\":", "\"method\":1");
        QVERIFY(!synth::TuningTable::Read(json));
    }

    // Hashed once per file as it is: a later start believes the hash it remembered.
    void contentHashRemembered()
    {
        const synth::TuningCache cache(folder_.filePath("cache"));
        QCOMPARE(started(cache), Invented(1.5));
        QCOMPARE(cache.loadContentHash(soundFont_.toStdString()), B2Sum(soundFont_));
        QVERIFY(cache.storeContentHash(soundFont_.toStdString(), QByteArray(64, '0')));
        QCOMPARE(started(cache), Invented(9.5));
    }
};

QTEST_GUILESS_MAIN(TestTuningTable)
#include "test_tuning_table.moc"
