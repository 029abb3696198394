// SPDX-License-Identifier: GPL-3.0-or-later
// The tuning piano as heard: notes rendered offline through the built-in synthesizer, each partial
// measured by the tests' own peak estimator against partials worked out here from equal temperament
// and the published inharmonicity rule.
#include "DrySynth.h"
#include "GsBytes.h"
#include "PitchMeter.h"
#include "synth/BuiltinSynthDevice.h"
#include "synth/GsSynthPort.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

using testing::Short;

namespace {

constexpr int kPlayer = 0, kReference = 1; // channels 1 and 2
constexpr int kOwnBank = 1, kHarmonic = 0, kStiff = 1;
constexpr int kLowestKey = 53, kHighestKey = 76, kReferenceA = 69;
constexpr int kVelocity = 100;
constexpr double kFrom = 0.2, kTo = 3.0; // seconds after the note-on that are measured
constexpr int kPartials = 8;
constexpr double kToleranceCents = 0.05;

double NominalHz(int key)
{
    return 440 * std::exp2((key - kReferenceA) / 12.0);
}

// Young (1952): middle C's second partial 1.2 cents above twice a flexible string's first, the
// inharmonicity doubling every eight semitones.
double YoungInharmonicity(int key)
{
    const double secondOverTwice = std::exp2(1.2 / 1200);
    return (secondOverTwice * secondOverTwice - 1) / 4 * std::exp2((key - 60) / 8.0);
}

// Partial n of `key` with its first partial at equal temperament.
double DesignedHz(int program, int key, int n)
{
    const double b = program == kStiff ? YoungInharmonicity(key) : 0;
    return n * NominalHz(key) * std::sqrt((1 + b * n * n) / (1 + b));
}

struct Rendered {
    std::vector<float> left, right, mix;
    double rate = 44100;
    std::span<const float> window(const std::vector<float>& output, double from, double to) const
    {
        return std::span(output).subspan(std::size_t(from * rate), std::size_t((to - from) * rate));
    }
};

// |X(hz)| of the Hann-windowed samples: the level of one partial.
double Level(std::span<const float> samples, double rate, double hz)
{
    std::complex<double> sum = 0, phasor = 1;
    const std::complex<double> step = std::polar(1.0, -2 * std::numbers::pi * hz / rate);
    const double n = double(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i, phasor *= step) {
        const double window = 0.5 * (1 - std::cos(2 * std::numbers::pi * double(i) / (n - 1)));
        sum += double(samples[i]) * window * phasor;
    }
    return std::abs(sum) / (n / 2) * 2;
}

} // namespace

class TestTuningPiano : public QObject {
    Q_OBJECT

    std::unique_ptr<synth::GsSynthPort> port_;

    void send(int status, int data1, int data2 = 0) { port_->sendShort(Short(status, data1, data2)); }

    void choose(int channel, int bank, int program)
    {
        send(0xB0 | channel, 0, bank);
        send(0xC0 | channel, program);
    }

    Rendered render(double seconds)
    {
        Rendered out;
        out.rate = port_->synth().sampleRate();
        const auto frames = std::size_t(seconds * out.rate);
        out.left.resize(frames);
        out.right.resize(frames);
        port_->synth().render(out.left.data(), out.right.data(), int(frames));
        for (std::size_t i = 0; i < frames; ++i)
            out.mix.push_back(out.left[i] + out.right[i]);
        return out;
    }

    // Sound off, then one block, so that no voice is left over for the next note.
    void silence()
    {
        for (int channel : {kPlayer, kReference})
            send(0xB0 | channel, 120);
        render(0.01);
    }

    Rendered note(int channel, int key, double seconds = kTo)
    {
        send(0x90 | channel, key, kVelocity);
        Rendered heard = render(seconds);
        silence();
        return heard;
    }

    // The right output is measured through the left: a string panned to the middle must sound the
    // same on both, sample for sample.
    static void verifyPartials(const Rendered& heard, int program, int key, double detuneCents)
    {
        QVERIFY2(heard.left == heard.right,
                 qPrintable(QStringLiteral("key %1: the outputs differ").arg(key)));
        for (const auto* output : {&heard.left, &heard.mix})
            for (int n = 1; n <= kPartials; ++n) {
                const double expected = DesignedHz(program, key, n) * std::exp2(detuneCents / 1200);
                const double hz =
                    testing::PeakFrequency(heard.window(*output, kFrom, kTo), heard.rate, expected, 4);
                const double off = testing::CentsBetween(hz, expected);
                QVERIFY2(std::abs(off) <= kToleranceCents,
                         qPrintable(QStringLiteral("key %1, partial %2, output %3: %4 cents off")
                                        .arg(key)
                                        .arg(n)
                                        .arg(output == &heard.left ? "left and right" : "mix")
                                        .arg(off, 0, 'f', 4)));
            }
    }

private slots:
    void initTestCase()
    {
        port_ = testing::DryGeneralMidiPort();
        QVERIFY2(port_, "no General MIDI SoundFont (package fluid-soundfont-gm)");
        QVERIFY(port_->synth().tuningPiano());
        choose(kPlayer, kOwnBank, kStiff); // both pianos are wanted now
        choose(kPlayer, kOwnBank, kHarmonic);
        QTRY_VERIFY_WITH_TIMEOUT(port_->synth().tuningPiano()->ready(kHarmonic) &&
                                     port_->synth().tuningPiano()->ready(kStiff),
                                 20000);
    }

    void init()
    {
        QCOMPARE(port_->sendSysex(testing::GsReset()), output::Result::Ok);
        render(0.01);
    }

    // The estimator itself parts partials closer than the tolerance: a made-up struck string, each
    // partial 0.04 cent sharp, decaying, is read 0.04 cent sharp.
    void estimatorResolvesHundredthsOfACent()
    {
        const double rate = 44100, firstHz = NominalHz(kLowestKey), sharp = std::exp2(0.04 / 1200);
        std::vector<float> sound(std::size_t((kTo - kFrom) * rate));
        for (std::size_t i = 0; i < sound.size(); ++i)
            for (int n = 1; n <= kPartials; ++n)
                sound[i] += float(std::exp(-double(i) / rate * n) / n *
                                  std::sin(2 * std::numbers::pi * n * firstHz * sharp * double(i) / rate));
        for (int n = 1; n <= kPartials; ++n) {
            const double cents =
                testing::CentsBetween(testing::PeakFrequency(sound, rate, n * firstHz, 4), n * firstHz);
            QVERIFY2(std::abs(cents - 0.04) < 0.005, qPrintable(QString::number(cents)));
        }
    }

    void everyKeysPartialsWhereDesigned_data()
    {
        QTest::addColumn<int>("program");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("key");
        for (int program : {kHarmonic, kStiff}) {
            for (int key = kLowestKey; key <= kHighestKey; ++key)
                QTest::addRow("%s key %d", program == kHarmonic ? "harmonic" : "stiff", key)
                    << program << kPlayer << key;
            QTest::addRow("%s reference A", program == kHarmonic ? "harmonic" : "stiff")
                << program << kReference << kReferenceA;
        }
    }
    void everyKeysPartialsWhereDesigned()
    {
        QFETCH(int, program);
        QFETCH(int, channel);
        QFETCH(int, key);
        choose(channel, kOwnBank, program);
        verifyPartials(note(channel, key), program, key, 0);
    }

    void scaleTuningMovesEveryPartial_data()
    {
        QTest::addColumn<int>("program");
        QTest::newRow("harmonic") << kHarmonic;
        QTest::newRow("stiff") << kStiff;
    }
    void scaleTuningMovesEveryPartial()
    {
        QFETCH(int, program);
        choose(kPlayer, kOwnBank, program);
        QCOMPARE(port_->sendSysex(testing::GsScaleTuning(1, 9, {7})), output::Result::Ok); // A
        verifyPartials(note(kPlayer, kReferenceA), program, kReferenceA, 7);
    }

    // A4 = 442 Hz as a GS module gets it: master tune 0x044F, 79 tenths of a cent above 440 Hz
    // (1200 · log2(442/440) = 7.85 rounded to the message's tenths). Each partial moves by 7.9 cents,
    // the whole cents on the key and the tenths in the strings, which are made again for them.
    void masterTuneMovesEveryPartial_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("key");
        QTest::newRow("reference A") << kReference << kReferenceA;
        for (int key : {kLowestKey, 60, kHighestKey})
            QTest::addRow("key %d", key) << kPlayer << key;
    }
    void masterTuneMovesEveryPartial()
    {
        QFETCH(int, channel);
        QFETCH(int, key);
        choose(channel, kOwnBank, kHarmonic);
        QCOMPARE(port_->sendSysex(testing::GsDataSet({0x40, 0x00, 0x00, 0x00, 0x04, 0x04, 0x0F})),
                 output::Result::Ok);
        QTRY_VERIFY_WITH_TIMEOUT(port_->synth().tuningPiano()->ready(kHarmonic), 20000);
        const Rendered heard = note(channel, key);
        verifyPartials(heard, kHarmonic, key, 7.9);
        if (key == kReferenceA) {
            const double hz = testing::PeakFrequency(heard.window(heard.mix, kFrom, kTo), heard.rate, 442, 4);
            qInfo("reference A at 442 Hz: %.4f Hz, %.4f cents", hz, testing::CentsBetween(hz, 442));
            QVERIFY(std::abs(testing::CentsBetween(hz, 442)) <= 0.05);
        }
    }

    // The average spectrum of each key stays the FluidR3 piano's (program 0), where that piano's
    // partial is not nearly missing (within 40 dB of its first); within 2.5 dB, since the sampled
    // piano's two strings beat on E5 and the table was read another way (strongest bin per band).
    void spectrumIsTheSampledPianos()
    {
        for (int key : {kLowestKey, 60, kReferenceA, kHighestKey}) {
            choose(kPlayer, 0, 0);
            const Rendered sampled = note(kPlayer, key);
            choose(kPlayer, kOwnBank, kHarmonic);
            const Rendered ours = note(kPlayer, key);
            // The strongest level within 40 cents of the harmonic: the sampled piano's partials are sharp
            // (E5's fifth by about 27 cents).
            auto meanLevel = [&](const Rendered& heard, int n) {
                double power = 0;
                int frames = 0;
                for (double at = kFrom; at + 0.1 <= kTo; at += 0.1, ++frames) {
                    double strongest = 0;
                    for (double cents = -40; cents <= 40; cents += 5)
                        strongest =
                            std::max(strongest, Level(heard.window(heard.mix, at, at + 0.1), heard.rate,
                                                      n * NominalHz(key) * std::exp2(cents / 1200)));
                    power += strongest * strongest;
                }
                return 10 * std::log10(power / frames);
            };
            const double sampledFirst = meanLevel(sampled, 1);
            for (int n = 1; n <= kPartials; ++n) {
                const double theirs = meanLevel(sampled, n), mine = meanLevel(ours, n);
                if (theirs > sampledFirst - 40)
                    QVERIFY2(std::abs(mine - theirs) < 2.5,
                             qPrintable(QStringLiteral("key %1 partial %2: %3 dB against %4 dB")
                                            .arg(key)
                                            .arg(n)
                                            .arg(mine)
                                            .arg(theirs)));
            }
        }
    }

    // One string: partials 1 ... 3 fall smoothly, with no dip of a beat more than 3 dB under a
    // quadratic fit of their level (in dB) over time.
    void oneStringDoesNotBeat()
    {
        for (int program : {kHarmonic, kStiff})
            for (int key = kLowestKey; key <= kHighestKey; ++key) {
                choose(kPlayer, kOwnBank, program);
                const Rendered heard = note(kPlayer, key);
                for (int n = 1; n <= 3; ++n) {
                    std::vector<double> times, levels;
                    for (double at = kFrom; at + 0.05 <= kTo; at += 0.05) {
                        times.push_back(at);
                        levels.push_back(20 * std::log10(Level(heard.window(heard.mix, at, at + 0.05),
                                                               heard.rate, DesignedHz(program, key, n))));
                    }
                    const double dip = DeepestDipUnderQuadratic(times, levels);
                    QVERIFY2(dip <= 3, qPrintable(QStringLiteral("program %1 key %2 partial %3 dips %4 dB")
                                                      .arg(program)
                                                      .arg(key)
                                                      .arg(n)
                                                      .arg(dip)));
                }
            }
    }

    void sustainPedalHoldsReleasedNote()
    {
        choose(kPlayer, kOwnBank, kHarmonic);
        auto levelAfterRelease = [&](bool pedal) {
            send(0xB0 | kPlayer, 64, pedal ? 127 : 0);
            send(0x90 | kPlayer, kReferenceA, kVelocity);
            const Rendered before = render(0.5);
            send(0x80 | kPlayer, kReferenceA, 127);
            render(0.5);
            const Rendered after = render(0.2);
            send(0xB0 | kPlayer, 64, 0);
            silence();
            return Level(after.mix, after.rate, NominalHz(kReferenceA)) /
                   Level(before.window(before.mix, 0.3, 0.5), before.rate, NominalHz(kReferenceA));
        };
        QVERIFY(levelAfterRelease(true) > 0.3);   // the string rings on, a few dB down
        QVERIFY(levelAfterRelease(false) < 1e-3); // damped
    }

    void generalMidiProgramAfterThePianoPlaysTheSoundFont()
    {
        choose(kPlayer, kOwnBank, kHarmonic);
        choose(kPlayer, 0, 0);
        int soundFont = 0, bank = -1, program = -1;
        QCOMPARE(fluid_synth_get_program(port_->synth().get(), kPlayer, &soundFont, &bank, &program),
                 FLUID_OK);
        QCOMPARE(soundFont, port_->synth().soundFontId());
        QCOMPARE(bank, 0);
        QCOMPARE(program, 0);
    }

    void reloadLeavesTheChannelOnThePiano()
    {
        choose(kPlayer, kOwnBank, kStiff);
        choose(kReference, 0, 0);
        const int before = port_->synth().soundFontId();
        QVERIFY(port_->synth().reload(std::nullopt));
        int soundFont = 0, bank = -1, program = -1;
        fluid_synth_get_program(port_->synth().get(), kPlayer, &soundFont, &bank, &program);
        QCOMPARE(soundFont, port_->synth().tuningPiano()->id());
        QCOMPARE(bank, kOwnBank);
        QCOMPARE(program, kStiff);
        fluid_synth_get_program(port_->synth().get(), kReference, &soundFont, &bank, &program);
        QVERIFY(soundFont != before);
        QCOMPARE(soundFont, port_->synth().soundFontId());
        verifyPartials(note(kPlayer, 60), kStiff, 60, 0);
    }

    void portTellsTheDesignedPartials()
    {
        QVERIFY(!port_->partials(0, 0));
        QVERIFY(!port_->partials(kOwnBank, 5));
        const auto harmonic = port_->partials(kOwnBank, kHarmonic), stiff = port_->partials(kOwnBank, kStiff);
        QVERIFY(harmonic && stiff && !harmonic->measuring && !stiff->measuring);
        for (int key = kLowestKey; key <= kHighestKey; ++key)
            for (int n = 1; n <= kPartials; ++n) {
                QCOMPARE(harmonic->keys.at(key)[std::size_t(n - 1)].value(), 0.0);
                const double expected = testing::CentsBetween(DesignedHz(kStiff, key, n), n * NominalHz(key));
                QVERIFY(std::abs(stiff->keys.at(key)[std::size_t(n - 1)].value() - expected) < 1e-6);
            }
    }

    // A key pressed while the piano's samples are still being made sounds, exactly, once they are.
    void keyPressedBeforeThePianoIsReadySoundsWhenItIs()
    {
        const auto opened = testing::DryGeneralMidiPort();
        synth::GsSynthPort& port = *opened;
        port.sendShort(Short(0xB0 | kPlayer, 0, kOwnBank));
        port.sendShort(Short(0xC0 | kPlayer, kStiff)); // asked for only now
        port.sendShort(Short(0x90 | kPlayer, 60, kVelocity));
        std::vector<float> left(64), right(64);
        auto sounding = [&] {
            port.synth().render(left.data(), right.data(), 64);
            return std::any_of(left.begin(), left.end(), [](float value) { return value != 0; });
        };
        QTRY_VERIFY_WITH_TIMEOUT(sounding(), 20000);
        Rendered heard;
        heard.rate = port.synth().sampleRate();
        heard.left.resize(std::size_t(heard.rate * 1.2));
        heard.right.resize(heard.left.size());
        port.synth().render(heard.left.data(), heard.right.data(), int(heard.left.size()));
        const double hz = testing::PeakFrequency(heard.window(heard.left, kFrom, 1.2), heard.rate,
                                                 DesignedHz(kStiff, 60, 3), 4);
        QVERIFY(std::abs(testing::CentsBetween(hz, DesignedHz(kStiff, 60, 3))) <= kToleranceCents);
    }

private:
    // The largest amount by which `levels` fall under their least-squares quadratic in `times`.
    static double DeepestDipUnderQuadratic(const std::vector<double>& times,
                                           const std::vector<double>& levels)
    {
        // Normal equations of a + b t + c t², solved by Cramer's rule.
        double s[5] = {}, r[3] = {};
        for (std::size_t i = 0; i < times.size(); ++i)
            for (int p = 0; p < 5; ++p) {
                s[p] += std::pow(times[i], p);
                if (p < 3)
                    r[p] += levels[i] * std::pow(times[i], p);
            }
        auto determinant = [](double a, double b, double c, double d, double e, double f, double g, double h,
                              double i) {
            return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
        };
        const double d = determinant(s[0], s[1], s[2], s[1], s[2], s[3], s[2], s[3], s[4]);
        const double a = determinant(r[0], s[1], s[2], r[1], s[2], s[3], r[2], s[3], s[4]) / d;
        const double b = determinant(s[0], r[0], s[2], s[1], r[1], s[3], s[2], r[2], s[4]) / d;
        const double c = determinant(s[0], s[1], r[0], s[1], s[2], r[1], s[2], s[3], r[2]) / d;
        double deepest = 0;
        for (std::size_t i = 0; i < times.size(); ++i)
            deepest = std::max(deepest, a + b * times[i] + c * times[i] * times[i] - levels[i]);
        return deepest;
    }
};

QTEST_GUILESS_MAIN(TestTuningPiano)
#include "test_tuning_piano.moc"
