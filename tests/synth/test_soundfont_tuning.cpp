// SPDX-License-Identifier: GPL-3.0-or-later
// The SoundFont's own tuning measured and corrected: absolute pitch against equal temperament with
// A4 = 440 Hz, the cache of measurements, and presets that are left alone.
#include "GsBytes.h"
#include "InventedTuning.h"
#include "PitchMeter.h"
#include "synth/BuiltinSynthDevice.h"
#include "synth/GsSynthPort.h"
#include "synth/PitchEstimate.h"
#include "synth/SampleRetuning.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

namespace {

const std::string kSoundFont = synth::BuiltinSynthOptions{}.soundFonts.front();
constexpr int kPiano = 0, kPiano2 = 1, kElectricPiano = 4;
// The piano's B4 ... E5 hold strings about 7 cents apart: no one pitch to correct, played as they are.
constexpr int kPianoKeysWithOnePitch = 70;
constexpr int kPlayer = 0, kReference = 1, kReferenceA = 69;
// The fundamental of beating layers (piano strings, organ ranks) moves by up to 0.2 cents when a
// detune stretches the beats against the window.
constexpr double kToleranceCents = 0.3;
constexpr auto kPatience = std::chrono::minutes(2);

using testing::Invented;
using testing::Short;

enum class Output { Both, Left, Right };

// A stand-in SoundFont in `folder`, for the cache, which names it by path, size and time alone;
// empty when it cannot be written.
std::string StandInSoundFont(const QTemporaryDir& folder)
{
    QFile file(folder.filePath("GM.sf2"));
    if (!file.open(QIODevice::WriteOnly) || file.write("sf") != 2)
        return {};
    return file.fileName().toStdString();
}

// Bytes this process has read from files so far, as the kernel counts them.
qint64 BytesRead()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

} // namespace

class TestSoundFontTuning : public QObject {
    Q_OBJECT

    QTemporaryDir cacheFolder_;
    std::unique_ptr<synth::GsSynthPort> port_;

    double heardHz(int channel, int key, Output output = Output::Both)
    {
        return HeardHz(*port_, channel, key, output);
    }

    // The note's sound 0.25 ... 0.95 s after its note-on on one output or both, as played through
    // the port.
    static std::vector<float> HeardNote(synth::GsSynthPort& port, int channel, int key, Output output)
    {
        const double rate = port.synth().sampleRate();
        const int frames = int(0.95 * rate), skipped = int(0.25 * rate);
        std::vector<float> left(frames), right(frames);
        port.sendShort(Short(0x90 | channel, key, 100));
        port.synth().render(left.data(), right.data(), frames);
        port.sendShort(Short(0xB0 | channel, 120));
        std::vector<float> tail(64);
        port.synth().render(tail.data(), tail.data(), int(tail.size()));
        for (int i = 0; i < frames; ++i)
            left[i] = output == Output::Left    ? left[i]
                      : output == Output::Right ? right[i]
                                                : left[i] + right[i];
        return {left.begin() + skipped, left.end()};
    }

    // Its fundamental as the calibrator would measure it.
    static double HeardHz(synth::GsSynthPort& port, int channel, int key, Output output = Output::Both)
    {
        return synth::EstimateFundamental(HeardNote(port, channel, key, output), port.synth().sampleRate(),
                                          synth::EqualTemperedHz(key))
            .hz;
    }

    static void verifyCents(double hz, double expectedHz, const QString& what)
    {
        const double cents = synth::CentsBetween(hz, expectedHz);
        QVERIFY2(std::abs(cents) <= kToleranceCents,
                 qPrintable(QStringLiteral("%1: %2 cents off").arg(what).arg(cents, 0, 'f', 3)));
    }

private slots:
    void initTestCase()
    {
        auto synth = synth::FluidSynth::Open({.soundFonts = {kSoundFont}, .reverb = false});
        QVERIFY2(synth, "no General MIDI SoundFont (fluid-soundfont-gm)");
        auto calibrator = std::make_unique<synth::TuningCalibrator>(
            kSoundFont, synth::TuningCache(cacheFolder_.path()), synth::SampleRetuner(*synth));
        for (int program : {kPiano, kElectricPiano, kPiano2}) {
            calibrator->request(program);
            QVERIFY(calibrator->waitFor(program, kPatience));
        }
        port_ = std::make_unique<synth::GsSynthPort>(std::move(synth), nullptr, std::move(calibrator));
    }

    void everyKeyInEqualTemperament_data()
    {
        QTest::addColumn<int>("program");
        QTest::addColumn<int>("highestKey");
        QTest::addColumn<QList<int>>("detune"); // cents, C ... B
        const QList<int> untuned(12, 0), challenge{-12, 25, -30, 7, 18, -25, 3, -9, 30, -17, 11, -4};
        for (int program : {kPiano, kElectricPiano, kPiano2}) {
            const int highestKey =
                program == kElectricPiano ? synth::ProgramTuning::kHighestKey : kPianoKeysWithOnePitch;
            QTest::addRow("program %d, untuned", program) << program << highestKey << untuned;
            QTest::addRow("program %d, a challenge", program) << program << highestKey << challenge;
        }
    }
    void everyKeyInEqualTemperament()
    {
        QFETCH(int, program);
        QFETCH(int, highestKey);
        QFETCH(QList<int>, detune);
        port_->sendSysex(testing::GsReset());
        port_->sendShort(Short(0xC0 | kPlayer, program));
        port_->sendShort(Short(0xC0 | kReference, program));
        port_->sendSysex(testing::GsScaleTuning(1, 0, {detune.begin(), detune.end()}));
        // Each output on its own: the halves of a stereo pair are corrected apart.
        for (const Output output : {Output::Left, Output::Right}) {
            const QString side = output == Output::Left ? QStringLiteral("left") : QStringLiteral("right");
            for (int key = synth::ProgramTuning::kLowestKey; key <= highestKey; ++key)
                verifyCents(heardHz(kPlayer, key, output),
                            synth::EqualTemperedHz(key) * std::exp2(detune[key % 12] / 1200.0),
                            QStringLiteral("key %1, %2").arg(key).arg(side));
            verifyCents(heardHz(kReference, kReferenceA, output), 440,
                        QStringLiteral("reference A, %1").arg(side));
        }
    }

    // Heard by an estimator of the test's own (the strongest spectral peak), each output apart: the
    // halves of the piano's stereo pairs, and a preset whose instrument shares the piano's samples,
    // corrected once.
    void inTuneByAnIndependentEstimator_data()
    {
        QTest::addColumn<int>("program");
        QTest::addColumn<QList<int>>("keys");
        const QList<int> c4ToA4{60, 61, 62, 63, 64, 65, 66, 67, 68, 69}, shared{53, 54, 59, 60, 61, 62};
        QTest::newRow("piano, C4 ... A4") << kPiano << c4ToA4;
        QTest::newRow("piano 2, F3 F#3 B3 ... D4") << kPiano2 << shared;
    }
    void inTuneByAnIndependentEstimator()
    {
        QFETCH(int, program);
        QFETCH(QList<int>, keys);
        port_->sendSysex(testing::GsReset());
        port_->sendShort(Short(0xC0 | kPlayer, program));
        for (const int key : keys)
            for (const Output output : {Output::Left, Output::Right}) {
                const double cents = testing::CentsBetween(
                    testing::PeakFrequency(HeardNote(*port_, kPlayer, key, output),
                                           port_->synth().sampleRate(), synth::EqualTemperedHz(key)),
                    synth::EqualTemperedHz(key));
                QVERIFY2(std::abs(cents) <= 0.5,
                         qPrintable(QStringLiteral("key %1, %2: %3 cents")
                                        .arg(key)
                                        .arg(output == Output::Left ? "left" : "right")
                                        .arg(cents, 0, 'f', 2)));
            }
    }

    // With each half of the piano's stereo pairs in tune, their sum (what one loudspeaker plays)
    // still reads flat on C4 ... F#4: both halves are moved up toward it, so that the sum lies
    // nearer to equal temperament than with each half in tune. Heard by the test's own estimator.
    void sumOfTheHalvesPulledTowardEqualTemperament()
    {
        const auto measured = synth::TuningCache(cacheFolder_.path()).load(kSoundFont, kPiano);
        QVERIFY(measured && measured->corrected);
        synth::ProgramTuning halvesInTune = *measured; // a sum at the halves' mean: nothing to pull
        for (std::size_t k = 0; k < halvesInTune.offsets.size(); ++k)
            halvesInTune.offsets[k] = (halvesInTune.leftOffsets[k] + halvesInTune.rightOffsets[k]) / 2;
        auto synth = synth::FluidSynth::Open({.soundFonts = {kSoundFont}, .reverb = false});
        QVERIFY(synth);
        synth::SampleRetuner retuner(*synth);
        retuner({{kPiano, halvesInTune}});
        synth::GsSynthPort unpulled(std::move(synth));
        port_->sendSysex(testing::GsReset());
        port_->sendShort(Short(0xC0 | kPlayer, kPiano));
        const auto sumCents = [](synth::GsSynthPort& port, int key) {
            const double hz = testing::PeakFrequency(HeardNote(port, kPlayer, key, Output::Both),
                                                     port.synth().sampleRate(), synth::EqualTemperedHz(key));
            return testing::CentsBetween(hz, synth::EqualTemperedHz(key));
        };
        for (int key = 60; key <= 66; ++key) {
            const double pulled = sumCents(*port_, key), halves = sumCents(unpulled, key);
            QVERIFY2(std::abs(pulled) < std::abs(halves),
                     qPrintable(QStringLiteral("key %1: %2 cents, halves in tune %3")
                                    .arg(key)
                                    .arg(pulled, 0, 'f', 3)
                                    .arg(halves, 0, 'f', 3)));
        }
    }

    // A result that lands while a note sounds leaves that note as it was (also when a new scale
    // tuning then retunes it) and takes effect from the next note on. Two ports, one whose
    // measurement of piano 2 lands in the middle of a note, one whose never does.
    void resultTakesEffectFromTheNextNote()
    {
        std::atomic<bool> released = false;
        const std::atomic<bool> neverReleased = false;
        const auto measuredOnce = [](const std::atomic<bool>& gate) {
            return [&gate](int program, std::stop_token stop) -> std::optional<synth::ProgramTuning> {
                while (program == kPiano2 && !gate)
                    if (stop.stop_requested())
                        return std::nullopt;
                    else
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                return Invented(program == kPiano2 ? 6 : 10);
            };
        };
        QTemporaryDir folder;
        struct Run {
            synth::TuningCalibrator* calibrator;
            std::unique_ptr<synth::GsSynthPort> port;
        };
        const auto makeRun = [&](const char* name, const std::atomic<bool>& gate) {
            auto synth = synth::FluidSynth::Open({.soundFonts = {kSoundFont}, .reverb = false});
            auto calibrator = std::make_unique<synth::TuningCalibrator>(
                kSoundFont, synth::TuningCache(folder.filePath(name)), measuredOnce(gate),
                synth::SampleRetuner(*synth));
            Run run{calibrator.get(), nullptr};
            run.port =
                std::make_unique<synth::GsSynthPort>(std::move(synth), nullptr, std::move(calibrator),
                                                     std::chrono::milliseconds(0)); // never holds a key
            return run;
        };
        Run late = makeRun("late", released), never = makeRun("never", neverReleased);
        const auto render = [](Run& run, double seconds) {
            std::vector<float> left(std::size_t(seconds * run.port->synth().sampleRate())),
                right(left.size());
            run.port->synth().render(left.data(), right.data(), int(left.size()));
            return left;
        };
        for (Run* run : {&late, &never}) {
            QVERIFY(run->calibrator->waitFor(kPiano, kPatience));
            run->port->sendShort(Short(0xC0 | kPlayer, kPiano2));
            run->port->sendSysex(testing::GsScaleTuning(1, 0, {20}));
            run->port->sendShort(Short(0x90 | kPlayer, 60, 100));
            render(*run, 0.3);
        }
        released = true;
        QVERIFY(late.calibrator->waitFor(kPiano2, kPatience));
        for (Run* run : {&late, &never})
            run->port->sendSysex(testing::GsScaleTuning(1, 0, {-15}));
        const auto lateNote = render(late, 0.5), neverNote = render(never, 0.5);
        for (std::size_t i = 0; i < lateNote.size(); ++i)
            QVERIFY2(std::abs(lateNote[i] - neverNote[i]) < 1e-6f,
                     qPrintable(QStringLiteral("frame %1").arg(i)));

        for (Run* run : {&late, &never})
            run->port->sendShort(Short(0xB0 | kPlayer, 120));
        const auto pitch = [&](Run& run) {
            const auto sound = HeardNote(*run.port, kPlayer, 64, Output::Left);
            return testing::PeakFrequency(sound, run.port->synth().sampleRate(), synth::EqualTemperedHz(64));
        };
        const double moved = testing::CentsBetween(pitch(late), pitch(never));
        QVERIFY2(std::abs(moved + 6) <= 0.1,
                 qPrintable(QStringLiteral("next note moved %1 cents").arg(moved)));
    }

    // A calibrator whose every measurement gives `cents` once `released` is set (nothing when stopped).
    static std::unique_ptr<synth::TuningCalibrator>
    HeldCalibrator(const QTemporaryDir& folder, std::atomic<bool>& released, double cents,
                   synth::TuningCalibrator::Settle settle = {})
    {
        return std::make_unique<synth::TuningCalibrator>(
            kSoundFont, synth::TuningCache(folder.path()),
            [&released, cents](int, std::stop_token stop) -> std::optional<synth::ProgramTuning> {
                while (!released)
                    if (stop.stop_requested())
                        return std::nullopt;
                    else
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                return Invented(cents);
            },
            std::move(settle));
    }

    // A key pressed before its program's measurement is in waits for it, then sounds corrected.
    void keyPressedBeforeTheMeasurementSoundsWhenItIsIn()
    {
        std::atomic<bool> released = false;
        QTemporaryDir folder;
        auto synth = synth::FluidSynth::Open({.soundFonts = {kSoundFont}, .reverb = false});
        QVERIFY(synth);
        auto calibrator = HeldCalibrator(folder, released, 10, synth::SampleRetuner(*synth));
        synth::TuningCalibrator& measuring = *calibrator;
        synth::GsSynthPort port(std::move(synth), nullptr, std::move(calibrator));
        const double rate = port.synth().sampleRate();
        std::vector<float> left(std::size_t(0.95 * rate)), right(left.size());
        port.sendShort(Short(0x90 | kPlayer, 64, 100));
        port.synth().render(left.data(), right.data(), int(0.2 * rate));
        QCOMPARE(*std::max_element(left.begin(), left.end()), 0.0f);

        released = true;
        QVERIFY(measuring.waitFor(kPiano, kPatience));
        QTRY_VERIFY(fluid_synth_get_active_voice_count(port.synth().get()) > 0);
        port.synth().render(left.data(), right.data(), int(left.size()));
        const std::span<const float> sound = std::span(left).subspan(std::size_t(0.25 * rate));
        synth::GsSynthPort plain(synth::FluidSynth::Open({.soundFonts = {kSoundFont}, .reverb = false}));
        const double moved =
            testing::CentsBetween(testing::PeakFrequency(sound, rate, synth::EqualTemperedHz(64)),
                                  testing::PeakFrequency(HeardNote(plain, kPlayer, 64, Output::Left), rate,
                                                         synth::EqualTemperedHz(64)));
        QVERIFY2(std::abs(moved + 10) <= 0.1, qPrintable(QStringLiteral("moved %1 cents").arg(moved)));
    }

    // A key pressed and released while its program is measured sounds, when the result is in, as
    // long as it was held: its note-off is not played together with its note-on.
    void shortPressWhileWaitingKeepsItsLength()
    {
        std::atomic<bool> released = false;
        QTemporaryDir folder;
        auto synth = synth::FluidSynth::Open({.soundFonts = {kSoundFont}, .reverb = false});
        QVERIFY(synth);
        auto calibrator = HeldCalibrator(folder, released, 0);
        synth::TuningCalibrator& measuring = *calibrator;
        synth::GsSynthPort port(std::move(synth), nullptr, std::move(calibrator));
        const auto keyDown = [&] {
            fluid_voice_t* voices[16]{};
            fluid_synth_get_voicelist(port.synth().get(), voices, 16, -1);
            return std::any_of(std::begin(voices), std::end(voices),
                               [](fluid_voice_t* voice) { return voice && fluid_voice_is_on(voice); });
        };
        port.sendShort(Short(0x90 | kPlayer, 64, 100));
        std::this_thread::sleep_for(std::chrono::seconds(1));
        port.sendShort(Short(0x80 | kPlayer, 64, 127));
        released = true;
        QVERIFY(measuring.waitFor(kPiano, kPatience));
        QTRY_VERIFY(fluid_synth_get_active_voice_count(port.synth().get()) > 0);
        QVERIFY(keyDown()); // a second to go
        QTRY_VERIFY_WITH_TIMEOUT(!keyDown(), 5000);
    }

    // The cache counts while the SoundFont file stays as it was; a damaged entry is measured again.
    void measuredOncePerSoundFont()
    {
        QTemporaryDir folder;
        const QString soundFont = folder.filePath("GM.sf2");
        QFile file(soundFont);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("first") == 5);
        file.close();
        const synth::TuningCache cache(folder.filePath("cache"));
        int measured = 0;
        const auto start = [&](double cents) {
            synth::TuningCalibrator calibrator(soundFont.toStdString(), cache, [&](int, std::stop_token) {
                ++measured;
                return std::optional(Invented(cents));
            });
            calibrator.request(7);
            return calibrator.waitFor(7, kPatience);
        };
        QCOMPARE(start(1.5), Invented(1.5));
        QCOMPARE(start(2.5), Invented(1.5)); // second start: from the cache
        QCOMPARE(measured, 1);

        QVERIFY(file.open(QIODevice::Append) && file.write(" and more") == 9);
        file.close();
        QCOMPARE(start(3.5), Invented(3.5));
        QCOMPARE(measured, 2);

        QFile entry(cache.filePath(soundFont.toStdString(), 7));
        QVERIFY(entry.open(QIODevice::WriteOnly) && entry.write("{\"offsets\": [1, 2") > 0);
        entry.close();
        QCOMPARE(start(4.5), Invented(4.5));
        QCOMPARE(measured, 3);
        QCOMPARE(cache.load(soundFont.toStdString(), 7), Invented(4.5));
    }

    // An entry whose checksum holds but whose offsets no SoundFont's own error comes near (beyond
    // ±50 cents) is measured again and rewritten; one just within is believed.
    void implausibleCacheEntryMeasuredAgain_data()
    {
        QTest::addColumn<double>("stored");
        QTest::addColumn<bool>("believed");
        QTest::newRow("-50.5 cents") << -50.5 << false;
        QTest::newRow("+50.5 cents") << 50.5 << false;
        QTest::newRow("-49.5 cents") << -49.5 << true;
    }
    void implausibleCacheEntryMeasuredAgain()
    {
        QFETCH(double, stored);
        QFETCH(bool, believed);
        QTemporaryDir folder;
        const std::string soundFont = StandInSoundFont(folder);
        QVERIFY(!soundFont.empty());
        const synth::TuningCache cache(folder.filePath("cache"));
        QVERIFY(cache.store(soundFont, 7, Invented(stored)));
        int measured = 0;
        synth::TuningCalibrator calibrator(soundFont, cache, [&](int, std::stop_token) {
            ++measured;
            return std::optional(Invented(1.5));
        });
        calibrator.request(7);
        const synth::ProgramTuning expected = Invented(believed ? stored : 1.5);
        QCOMPARE(calibrator.waitFor(7, kPatience), expected);
        QCOMPARE(measured, believed ? 0 : 1);
        QCOMPARE(cache.load(soundFont, 7), expected);
    }

    // Whatever one byte of a cache entry is changed to, the entry reads as stored or not at all.
    void damagedCacheEntryNeverBelieved()
    {
        QTemporaryDir folder;
        const std::string soundFont = StandInSoundFont(folder);
        QVERIFY(!soundFont.empty());
        const synth::TuningCache cache(folder.filePath("cache"));
        synth::ProgramTuning stored{.corrected = true};
        for (std::size_t i = 0; i < stored.offsets.size(); ++i)
            stored.offsets[i] = 3.25 - 0.375 * double(i);
        stored.keysLeftAlone[3] = true;
        QVERIFY(cache.store(soundFont, 0, stored));
        QCOMPARE(cache.load(soundFont, 0), stored);
        QFile entry(cache.filePath(soundFont, 0));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QByteArray original = entry.readAll();
        entry.close();
        for (qsizetype at = 0; at < original.size(); ++at)
            for (const char changed : {char(original[at] ^ 1), '9', '-', ' '}) {
                QByteArray damaged = original;
                damaged[at] = changed;
                QVERIFY(entry.open(QIODevice::WriteOnly) && entry.write(damaged) == damaged.size());
                entry.close();
                const auto read = cache.load(soundFont, 0);
                QVERIFY2(!read || *read == stored,
                         qPrintable(QStringLiteral("byte %1 as '%2'").arg(at).arg(changed)));
            }
    }

    // A cache file far larger than an entry, here a valid entry followed by a 256 MB hole, is
    // refused unread, an instrument's and a SoundFont's content hash alike: read whole, a 3 GB file
    // took the program to 3.1 GB.
    void oversizedCacheFileRefusedUnread()
    {
        QTemporaryDir folder;
        const std::string soundFont = StandInSoundFont(folder);
        QVERIFY(!soundFont.empty());
        const synth::TuningCache cache(folder.filePath("cache"));
        QVERIFY(cache.store(soundFont, 0, Invented(1.5)) && cache.storeContentHash(soundFont, "00ff"));
        const QDir entries(folder.filePath("cache"));
        QCOMPARE(entries.entryList(QDir::Files).size(), 2);
        for (const QString& name : entries.entryList(QDir::Files))
            QVERIFY(QFile(entries.filePath(name)).resize(qint64(256) << 20));
        const qint64 before = BytesRead();
        QVERIFY(before >= 0);
        QVERIFY(!cache.load(soundFont, 0));
        QVERIFY(!cache.loadContentHash(soundFont));
        QVERIFY2(BytesRead() - before < 64 * 1024, qPrintable(QString::number(BytesRead() - before)));
    }

    // The reference A is never detuned: an entry whose A was moved by 50 cents is measured again,
    // and the A sounds as with the entry intact.
    void damagedCacheNeverDetunesTheReferenceA()
    {
        port_->sendSysex(testing::GsReset());
        const double intact = heardHz(kReference, kReferenceA);
        const synth::TuningCache cache(cacheFolder_.path());
        QFile entry(cache.filePath(kSoundFont, kPiano));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QJsonObject json = QJsonDocument::fromJson(entry.readAll()).object();
        entry.close();
        for (const char* output : {"offsets", "left", "right"}) {
            QJsonArray offsets = json[output].toArray();
            const int a = kReferenceA - synth::ProgramTuning::kLowestKey;
            offsets[a] = offsets[a].toDouble() + 50;
            json[output] = offsets;
        }
        QVERIFY(entry.open(QIODevice::WriteOnly) && entry.write(QJsonDocument(json).toJson()) > 0);
        entry.close();

        auto synth = synth::FluidSynth::Open({.soundFonts = {kSoundFont}, .reverb = false});
        QVERIFY(synth);
        auto calibrator =
            std::make_unique<synth::TuningCalibrator>(kSoundFont, cache, synth::SampleRetuner(*synth));
        calibrator->request(kPiano);
        QVERIFY(calibrator->waitFor(kPiano, kPatience));
        synth::GsSynthPort port(std::move(synth), nullptr, std::move(calibrator));
        const double heard = HeardHz(port, kReference, kReferenceA);
        QVERIFY2(std::abs(synth::CentsBetween(heard, intact)) <= 0.1,
                 qPrintable(QStringLiteral("%1 cents").arg(synth::CentsBetween(heard, intact))));
        QVERIFY(cache.load(kSoundFont, kPiano)); // rewritten
    }

    // The worker reloads the SoundFont while the synthesizer plays: a note sounding meanwhile plays on.
    void noteSoundsOnThroughReload()
    {
        auto synth = synth::FluidSynth::Open({.soundFonts = {kSoundFont}, .reverb = false});
        QVERIFY(synth);
        std::vector<float> left(int(0.3 * synth->sampleRate())), right(left.size());
        fluid_synth_noteon(synth->get(), 0, 60, 100);
        synth->render(left.data(), right.data(), 256);
        synth::SampleRetuner retuner(*synth);
        QVERIFY(std::abs(retuner({{kPiano, Invented(3.5)}}).at(kPiano).offsets[0]) < 0.05); // rates moved
        synth->render(left.data(), right.data(), int(left.size()));
        QVERIFY(*std::max_element(left.begin(), left.end()) > 0.01f);
    }

    void presetWithoutSteadyPitchLeftAlone_data()
    {
        QTest::addColumn<int>("program");
        QTest::newRow("string ensemble: beating layers") << 48;
        QTest::newRow("seashore: noise") << 122;
        QTest::newRow("church organ: ranks that drift and beat") << 19;
        QTest::newRow("honky-tonk: layers five cents apart on purpose") << 3;
    }
    void presetWithoutSteadyPitchLeftAlone()
    {
        QFETCH(int, program);
        const auto tuning = synth::MeasureProgramTuning(kSoundFont, program);
        QVERIFY(tuning);
        QVERIFY(!tuning->corrected);
    }

    // A key without one pitch keeps its samples' rates in a corrected preset: the piano's B4 ... E5.
    void keyWithoutOnePitchLeftAlone()
    {
        const auto piano = synth::MeasureProgramTuning(kSoundFont, kPiano);
        QVERIFY(piano && piano->corrected);
        for (int key = synth::ProgramTuning::kLowestKey; key <= synth::ProgramTuning::kHighestKey; ++key)
            QVERIFY2(piano->correctsKey(key) == (key <= kPianoKeysWithOnePitch),
                     qPrintable(QString::number(key)));

        synth::ProgramTuning invented = Invented(3.5);
        invented.keysLeftAlone.back() = true;
        const auto layout = synth::SoundFontLayout::Read(kSoundFont);
        QVERIFY(layout);
        const synth::ProgramTuning left = synth::RetuneSamples(*layout, {{kPiano, invented}}).left.at(kPiano);
        QCOMPARE(left.offset(synth::ProgramTuning::kHighestKey), 3.5);
        QVERIFY(std::abs(left.offset(synth::ProgramTuning::kHighestKey - 1)) < 0.05);
    }

    // Steady to a few hundredths of a cent, but its fundamental carries under 2 % of the power.
    void steadyPresetWithWeakFundamentalCorrected()
    {
        const auto tuning = synth::MeasureProgramTuning(kSoundFont, 27); // clean guitar
        QVERIFY(tuning);
        QVERIFY(tuning->corrected);
    }

    // A master tune of 7.9 cents (442 Hz: 0x044F, 79 tenths) moves the reference A by 7.9, not by
    // the 8 whole cents of FluidSynth's pitch: the tenths go into the corrected samples' rates,
    // settled again on the calibrator's thread. Heard against itself at 0 cents, so that the piano's
    // beating strings cancel; last, since the port settles back to 0 after the closing reset on that
    // thread.
    void masterTuneToTheTenthOnCorrectedKeys_data()
    {
        QTest::addColumn<int>("program");
        QTest::newRow("piano") << kPiano;
        QTest::newRow("electric piano") << kElectricPiano;
    }
    void masterTuneToTheTenthOnCorrectedKeys()
    {
        QFETCH(int, program);
        port_->sendSysex(testing::GsReset());
        port_->sendShort(Short(0xC0 | kReference, program));
        const double at440 = heardHz(kReference, kReferenceA);
        port_->sendSysex(testing::GsDataSet({0x40, 0x00, 0x00, 0x00, 0x04, 0x04, 0x0F}));
        const auto movedBy = [&] { return synth::CentsBetween(heardHz(kReference, kReferenceA), at440); };
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(movedBy() - 7.9) <= 0.05, 20000);
        qInfo("reference A moved by %.3f cents", movedBy());
        port_->sendSysex(testing::GsReset());
        port_->sendShort(Short(0xC0 | kReference, program));
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(movedBy()) <= 0.05, 20000);
    }
};

QTEST_GUILESS_MAIN(TestSoundFontTuning)
#include "test_soundfont_tuning.moc"
