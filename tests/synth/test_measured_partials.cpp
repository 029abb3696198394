// SPDX-License-Identifier: GPL-3.0-or-later
// The partials the built-in synthesizer tells for its SoundFont's presets, against the beats its
// intervals make when rendered, and the cache that keeps them.
#include "BeatMeter.h"
#include "DrySynth.h"
#include "GsBytes.h"
#include "InventedTuning.h"
#include "synth/BuiltinSynthDevice.h"
#include "synth/GsSynthPort.h"
#include "synth/SampleRetuning.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cmath>

using testing::Short;

namespace {

const std::string kSoundFont = synth::BuiltinSynthOptions{}.soundFonts.front();
constexpr int kPiano = 0;
constexpr auto kPatience = std::chrono::minutes(2);

// The steps of the hint's tuning order: the two keys, and the partials of each that meet (the lower
// key's third and the upper's second in a fifth, 4:3 in a fourth, 2:1 in the octave).
struct Step {
    const char* name;
    int lower, upper;
    int lowerPartial, upperPartial;
};
constexpr Step kTuningOrder[] = {
    {"A3-A4", 57, 69, 2, 1},   {"A4-E5", 69, 76, 3, 2},   {"A4-D5", 69, 74, 4, 3},
    {"E5-B4", 71, 76, 4, 3},   {"B4-F#4", 66, 71, 4, 3},  {"F#4-C#5", 66, 73, 3, 2},
    {"C#5-G#4", 68, 73, 4, 3}, {"G#4-D#5", 68, 75, 3, 2}, {"D#5-A#4", 70, 75, 4, 3},
    {"A#4-F4", 65, 70, 4, 3},  {"F4-C5", 65, 72, 3, 2},   {"C5-G4", 67, 72, 4, 3},
};

// Where the beat is read: a few seconds of both notes, from after the attack.
constexpr double kSkipSeconds = 0.25, kListenSeconds = 4;
constexpr double kLowestBeat = 0.1, kHighestBeat = 15;
constexpr double kToleranceHz = 0.1;

// A measurement the tests make up: on every key the second partial `cents` above twice the
// fundamental, the third unclean, the fundamental itself 4 cents off as the file has it.
synth::ProgramPartials InventedPartials(double cents)
{
    synth::ProgramPartials partials;
    for (auto& key : partials.ratios) {
        key[0] = 0;
        key[1] = cents;
    }
    partials.fundamentals.fill(4);
    return partials;
}

// A meter of made-up measurements on `folder` that counts them.
std::unique_ptr<synth::PartialsMeter> CountingMeter(const QString& folder, std::atomic<int>& measured,
                                                    double cents = 1.5)
{
    return std::make_unique<synth::PartialsMeter>(kSoundFont, synth::TuningCache(folder),
                                                  [&measured, cents](int, std::stop_token) {
                                                      ++measured;
                                                      return std::optional(InventedPartials(cents));
                                                  });
}

double EqualTemperedHz(int key)
{
    return 440 * std::exp2((key - 69) / 12.0);
}

} // namespace

class TestMeasuredPartials : public QObject {
    Q_OBJECT

    QTemporaryDir cacheFolder_;
    std::unique_ptr<synth::GsSynthPort> port_;

    std::vector<float> render(std::initializer_list<int> keys)
    {
        return testing::RenderHeld(*port_, keys, kSkipSeconds, kListenSeconds);
    }

    double heardBeat(const Step& step, double centreHz)
    {
        return testing::StrongestBeat(render({step.lower, step.upper}), render({step.lower}),
                                      render({step.upper}), port_->synth().sampleRate(), centreHz,
                                      kLowestBeat, kHighestBeat);
    }

private slots:
    void initTestCase()
    {
        auto synth = synth::FluidSynth::Open({.soundFonts = {kSoundFont}, .reverb = false});
        QVERIFY2(synth, "no General MIDI SoundFont (fluid-soundfont-gm)");
        auto calibrator = synth::MakeTuningCalibrator(*synth, cacheFolder_.path());
        auto meter = synth::MakePartialsMeter(*synth, cacheFolder_.path());
        calibrator->request(kPiano);
        meter->request(kPiano);
        QVERIFY(calibrator->waitFor(kPiano, kPatience));
        QVERIFY(meter->waitFor(kPiano, kPatience));
        port_ = std::make_unique<synth::GsSynthPort>(
            std::move(synth), nullptr, std::move(calibrator), synth::GsSynthPort::kMeasurementPatience,
            [](const QString&, const QString&) {}, std::move(meter));
    }

    // Each step of the tuning order at equal temperament: the beat that the told partials make is
    // the beat the rendered interval makes at its coincident partials. A step whose partial the
    // port tells none of has nothing to compare.
    void pianoBeatsAsTheToldPartialsMake()
    {
        const auto partials = port_->partials(0, kPiano);
        QVERIFY(partials && !partials->measuring);
        int compared = 0;
        QStringList wrong;
        for (const Step& step : kTuningOrder) {
            const auto lower = partials->keys.at(step.lower)[std::size_t(step.lowerPartial - 1)],
                       upper = partials->keys.at(step.upper)[std::size_t(step.upperPartial - 1)];
            const double lowerHz = step.lowerPartial * EqualTemperedHz(step.lower),
                         upperHz = step.upperPartial * EqualTemperedHz(step.upper);
            const double heard = heardBeat(step, (lowerHz + upperHz) / 2);
            if (!lower || !upper) {
                qInfo("%s: heard %.3f Hz, no partial told", step.name, heard);
                continue;
            }
            const double told =
                std::abs(upperHz * std::exp2(*upper / 1200) - lowerHz * std::exp2(*lower / 1200));
            const QString what = QStringLiteral("%1: told %2 Hz, heard %3 Hz")
                                     .arg(step.name)
                                     .arg(told, 0, 'f', 3)
                                     .arg(heard, 0, 'f', 3);
            qInfo("%s", qPrintable(what));
            if (std::abs(told - heard) > kToleranceHz)
                wrong << what;
            ++compared;
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral("; "))));
        QVERIFY2(compared >= 1, qPrintable(QString::number(compared)));
    }

    // A program measured once is taken from the cache afterwards; an entry changed on disk is
    // measured again, never believed.
    void cachedPartialsCountUntilDamaged()
    {
        QTemporaryDir folder;
        std::atomic<int> measured = 0;
        for (int run = 0; run < 2; ++run) {
            const auto meter = CountingMeter(folder.path(), measured);
            meter->request(kPiano);
            const auto partials = meter->waitFor(kPiano, kPatience);
            QVERIFY(partials);
            QCOMPARE(partials->ratios[5][1], std::optional(1.5));
        }
        QCOMPARE(measured.load(), 1);

        const QStringList files = QDir(folder.path()).entryList({QStringLiteral("*-0-partials.json")});
        QCOMPARE(files.size(), 1);
        QFile file(folder.filePath(files.front()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray content = file.readAll();
        file.close();
        QVERIFY(content.contains("1.5"));
        content.replace("1.5", "9.5");
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        const auto meter = CountingMeter(folder.path(), measured);
        meter->request(kPiano);
        QCOMPARE(meter->waitFor(kPiano, kPatience)->ratios[5][1], std::optional(1.5));
        QCOMPARE(measured.load(), 2);
    }

    // The port tells nothing for bank 0 until both the partials and the tuning's result are in;
    // then each partial is its ratio to the fundamental plus what the tuning leaves of the
    // fundamental's offset (an uncorrected preset: all of it).
    void portTellsPartialsOnceTuningIsIn()
    {
        QTemporaryDir folder;
        std::atomic<bool> released = false;
        std::atomic<int> measured = 0;
        auto synth = synth::FluidSynth::Open({.soundFonts = {kSoundFont}, .reverb = false});
        QVERIFY(synth);
        auto calibrator = std::make_unique<synth::TuningCalibrator>(
            kSoundFont, synth::TuningCache(folder.filePath("tuning")), [&released](int, std::stop_token) {
                released.wait(false);
                synth::ProgramTuning tuning = testing::Invented(-3);
                tuning.corrected = false;
                return std::optional(tuning);
            });
        auto* tuning = calibrator.get();
        synth::GsSynthPort port(
            std::move(synth), nullptr, std::move(calibrator), std::chrono::milliseconds(0),
            [](const QString&, const QString&) {}, CountingMeter(folder.filePath("partials"), measured, 2.5));
        QVERIFY(port.partials(0, kPiano)->measuring); // the first question starts the measurement
        QTRY_COMPARE(measured.load(), 1);
        released = true;
        released.notify_all();
        QVERIFY(tuning->waitFor(kPiano, kPatience));
        // The meter's worker keeps its result a moment after the measurement returned.
        QTRY_VERIFY(port.partials(0, kPiano) && !port.partials(0, kPiano)->measuring);
        const auto partials = port.partials(0, kPiano);
        QCOMPARE(partials->keys.size(), std::size_t(synth::ProgramTuning::kKeys));
        const output::KeyPartials& a4 = partials->keys.at(69);
        QCOMPARE(a4[0], std::optional(-3.0));
        QCOMPARE(a4[1], std::optional(2.5 - 3.0));
        QCOMPARE(a4[2], std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestMeasuredPartials)
#include "test_measured_partials.moc"
