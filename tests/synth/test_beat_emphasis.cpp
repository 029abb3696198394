// SPDX-License-Identifier: GPL-3.0-or-later
// The beat emphasis as heard: intervals rendered offline through the built-in synthesizer, period
// by period through the filter as the audio output does, and the modulation of their envelope.
#include "DrySynth.h"
#include "GsBytes.h"
#include "PitchMeter.h"
#include "synth/BeatEmphasis.h"
#include "synth/BuiltinSynthDevice.h"
#include "synth/GsSynthPort.h"

#include <QtTest>

#include <cmath>
#include <complex>
#include <numbers>
#include <utility>

using testing::Short;

namespace {

// FluidR3's reed organ: steady, cleanly looped tones rich in partials. The pianos' samples carry
// an amplitude waver of their own (about 1 Hz, the same in every tuning, measured), stronger in
// the envelope than any beat, and so do most organs (a slow tremolo).
constexpr int kReedOrgan = 20;
constexpr int kPeriodFrames = 64;
constexpr double kSeconds = 24;       // a 0.05 Hz peak needs a long look
constexpr double kSkipSeconds = 0.5;  // the attack
constexpr double kEnvelopeRate = 100; // Hz: power envelope samples
constexpr double kToleranceHz = 0.05;
constexpr double kLowestBeat = 0.2, kHighestBeat = 15;
// The beat's modulation of the envelope at least this many times as deep with the emphasis.
constexpr double kBroughtForward = 2;

struct Interval {
    const char* name;
    int lower, upper;                 // MIDI keys
    int lowerMultiple, upperMultiple; // the partials that meet
};
constexpr Interval kIntervals[] = {{"F3-C4", 53, 60, 3, 2}, {"A3-D4", 57, 62, 4, 3}, {"A3-A4", 57, 69, 2, 1}};
constexpr int kUpperCents[] = {-5, 0, 4};

double NominalHz(int key, double cents = 0)
{
    return 440 * std::exp2((key - 69) / 12.0 + cents / 1200);
}

// The power of `samples` within `halfWidthHz` of `centreHz`: the Hann-windowed spectrum, evaluated
// directly every quarter hertz and summed.
double BandPower(const std::vector<float>& samples, double sampleRate, double centreHz, double halfWidthHz)
{
    double power = 0;
    for (double hz = centreHz - halfWidthHz; hz <= centreHz + halfWidthHz; hz += 0.25) {
        const std::complex<double> turn = std::polar(1.0, -2 * std::numbers::pi * hz / sampleRate);
        std::complex<double> phasor = 1, sum = 0;
        for (std::size_t i = 0; i < samples.size(); ++i, phasor *= turn)
            sum += 0.5 * (1 - std::cos(2 * std::numbers::pi * double(i) / double(samples.size() - 1))) *
                   double(samples[i]) * phasor;
        power += std::norm(sum);
    }
    return power;
}

double Decibels(double powerRatio)
{
    return 10 * std::log10(powerRatio);
}

// Relative modulation of the power envelope at `hz`: the decay taken out by a straight line
// through its logarithm, a Hann window over what is left.
class EnvelopeSpectrum {
public:
    explicit EnvelopeSpectrum(const std::vector<float>& mono, double sampleRate)
    {
        const int block = int(sampleRate / kEnvelopeRate);
        std::vector<double> logPower;
        for (std::size_t start = std::size_t(kSkipSeconds * sampleRate); start + block <= mono.size();
             start += block) {
            double power = 1e-20;
            for (int i = 0; i < block; ++i)
                power += double(mono[start + i]) * mono[start + i];
            logPower.push_back(std::log(power / block));
        }
        const double n = double(logPower.size());
        double meanX = (n - 1) / 2, meanY = 0, slope = 0, spread = 0;
        for (double y : logPower)
            meanY += y / n;
        for (std::size_t i = 0; i < logPower.size(); ++i) {
            slope += (double(i) - meanX) * (logPower[i] - meanY);
            spread += (double(i) - meanX) * (double(i) - meanX);
        }
        slope /= spread;
        for (std::size_t i = 0; i < logPower.size(); ++i) {
            const double hann = 0.5 * (1 - std::cos(2 * std::numbers::pi * double(i) / (n - 1)));
            residual_.push_back(hann * (logPower[i] - meanY - slope * (double(i) - meanX)));
        }
    }

    double at(double hz) const
    {
        std::complex<double> sum = 0;
        for (std::size_t i = 0; i < residual_.size(); ++i)
            sum += residual_[i] * std::polar(1.0, -2 * std::numbers::pi * hz * double(i) / kEnvelopeRate);
        return std::abs(sum);
    }

    // The strongest modulation between kLowestBeat and kHighestBeat, to a thousandth of a hertz.
    double strongest() const
    {
        double best = kLowestBeat, bestMagnitude = 0;
        const auto search = [&](double from, double to, double step) {
            for (double hz = from; hz <= to; hz += step)
                if (const double magnitude = at(hz); magnitude > bestMagnitude) {
                    best = hz;
                    bestMagnitude = magnitude;
                }
        };
        search(kLowestBeat, kHighestBeat, 0.01);
        search(best - 0.01, best + 0.01, 0.001);
        return best;
    }

private:
    std::vector<double> residual_;
};

} // namespace

class TestBeatEmphasis : public QObject {
    Q_OBJECT

    std::unique_ptr<synth::GsSynthPort> port_;

    double sampleRate() { return port_->synth().sampleRate(); }

    // Mono frames of `keys` sounding with `upper` detuned, through `filter` when there is one.
    std::vector<float> render(std::initializer_list<int> keys, int upper, int upperCents,
                              synth::BeatEmphasisFilter* filter, double seconds)
    {
        port_->synth().setKeyDetune(0, upper, upperCents);
        for (int key : keys)
            port_->sendShort(Short(0x90, key, 100));
        const int periods = int(seconds * sampleRate()) / kPeriodFrames;
        std::vector<float> mono;
        mono.reserve(std::size_t(periods * kPeriodFrames));
        std::array<float, kPeriodFrames> left{}, right{};
        for (int p = 0; p < periods; ++p) {
            port_->synth().render(left.data(), right.data(), kPeriodFrames);
            float* buffers[] = {left.data(), right.data()};
            if (filter)
                filter->process(kPeriodFrames, 2, buffers);
            for (int i = 0; i < kPeriodFrames; ++i)
                mono.push_back(left[std::size_t(i)] + right[std::size_t(i)]);
        }
        port_->sendShort(Short(0xB0, 120)); // all sound off
        std::array<float, kPeriodFrames> rest{};
        port_->synth().render(rest.data(), rest.data(), kPeriodFrames);
        port_->synth().setKeyDetune(0, upper, 0);
        return mono;
    }

    // The partial of `key` as the synthesizer plays it, measured on the note alone.
    double partialHz(int key, int multiple, int upper, int upperCents)
    {
        const auto mono = render({key}, upper, upperCents, nullptr, 3.1);
        const auto window = std::span(mono).subspan(std::size_t(sampleRate()), std::size_t(2 * sampleRate()));
        return testing::PeakFrequency(window, sampleRate(),
                                      multiple * NominalHz(key, key == upper ? upperCents : 0), 30);
    }

private slots:
    void initTestCase()
    {
        port_ = testing::DryGeneralMidiPort();
        QVERIFY2(port_, "no General MIDI SoundFont (package fluid-soundfont-gm)");
        port_->sendShort(Short(0xC0, kReedOrgan));
    }

    // A sine on the centre, the emphasis switched on, moved and switched off while it sounds: no
    // sample jumps further than in the steady emphasised sound (the centre passes at its own level).
    void switchingDoesNotClick()
    {
        constexpr double rate = 48000, hz = 1000, amplitude = 0.5;
        const double steadyStep = amplitude * 2 * std::numbers::pi * hz / rate; // the centre passes whole
        synth::BeatEmphasisFilter filter(rate);
        std::array<float, kPeriodFrames> left{}, right{};
        float* buffers[] = {left.data(), right.data()};
        float previous = 0, largestStep = 0;
        for (int p = 0; p < 600; ++p) { // 0.8 s
            if (p == 100)
                filter.emphasize(hz);
            if (p == 250)
                filter.emphasize(hz * 1.06);
            if (p == 400)
                filter.stopEmphasis();
            for (int i = 0; i < kPeriodFrames; ++i)
                left[std::size_t(i)] = right[std::size_t(i)] =
                    float(amplitude * std::sin(2 * std::numbers::pi * hz * (p * kPeriodFrames + i) / rate));
            filter.process(kPeriodFrames, 2, buffers);
            for (float sample : left) {
                largestStep = std::max(largestStep, std::abs(sample - previous));
                previous = sample;
            }
        }
        QVERIFY2(largestStep <= 1.02 * steadyStep, qPrintable(QString::number(largestStep / steadyStep)));
    }

    // A fifth and a fourth at equal temperament, the same sound with and without the emphasis: the
    // coincident partials keep their level as a whole, every other partial of either note is 12 dB
    // down.
    void emphasisLeavesTheBandAndLowersTheRest()
    {
        constexpr double kSettle = 0.5, kLook = 2, kBandHz = 2;
        for (const Interval& interval : {kIntervals[0], kIntervals[1]}) {
            std::vector<float> dry =
                render({interval.lower, interval.upper}, interval.upper, 0, nullptr, kSettle + kLook + 0.1);
            std::vector<float> left = dry, right(dry.size(), 0.0f);
            const double centre = (interval.lowerMultiple * NominalHz(interval.lower) +
                                   interval.upperMultiple * NominalHz(interval.upper)) /
                                  2;
            synth::BeatEmphasisFilter filter(sampleRate());
            filter.emphasize(centre);
            for (std::size_t at = 0; at + kPeriodFrames <= left.size(); at += kPeriodFrames) {
                float* buffers[] = {left.data() + at, right.data() + at};
                filter.process(kPeriodFrames, 2, buffers);
            }
            // The rendering ends on a whole period, past the look's end.
            const auto look = [&](const std::vector<float>& sound) {
                const auto start = std::size_t(kSettle * sampleRate());
                const auto end = std::min(sound.size(), start + std::size_t(kLook * sampleRate()));
                return std::vector<float>(sound.begin() + std::ptrdiff_t(start),
                                          sound.begin() + std::ptrdiff_t(end));
            };
            const std::vector<float> before = look(dry), after = look(left);
            const double coincident = Decibels(BandPower(after, sampleRate(), centre, kBandHz) /
                                               BandPower(before, sampleRate(), centre, kBandHz));
            double restBefore = 0, restAfter = 0;
            for (const auto& [key, multiple] : {std::pair(interval.lower, interval.lowerMultiple),
                                                std::pair(interval.upper, interval.upperMultiple)})
                for (int n = 1; n <= 8; ++n)
                    if (n != multiple && n * NominalHz(key) < 4000) {
                        restBefore += BandPower(before, sampleRate(), n * NominalHz(key), kBandHz);
                        restAfter += BandPower(after, sampleRate(), n * NominalHz(key), kBandHz);
                    }
            const double rest = Decibels(restAfter / restBefore);
            const QString what = QStringLiteral("%1: coincident partials %2 dB, the rest %3 dB")
                                     .arg(interval.name)
                                     .arg(coincident, 0, 'f', 2)
                                     .arg(rest, 0, 'f', 2);
            qInfo("%s", qPrintable(what));
            QVERIFY2(std::abs(coincident) <= 1.5, qPrintable(what));
            QVERIFY2(coincident - rest >= 11, qPrintable(what));
        }
    }

    // The beat expected is that of the partials as the synthesizer plays them (each note measured
    // alone), so that the SoundFont's own small mistuning does not count against the filter.
    void strongestModulationIsTheBeatOfTheCoincidentPartials()
    {
        for (const Interval& interval : kIntervals)
            for (int cents : kUpperCents) {
                const double lowerPartial =
                    partialHz(interval.lower, interval.lowerMultiple, interval.upper, cents);
                const double upperPartial =
                    partialHz(interval.upper, interval.upperMultiple, interval.upper, cents);
                const double beat = std::abs(upperPartial - lowerPartial);
                // The window centres the band on the partials of equal temperament plus the tuning.
                const double centre = (interval.lowerMultiple * NominalHz(interval.lower) +
                                       interval.upperMultiple * NominalHz(interval.upper, cents)) /
                                      2;
                synth::BeatEmphasisFilter filter(sampleRate());
                filter.emphasize(centre);
                const EnvelopeSpectrum emphasised(
                    render({interval.lower, interval.upper}, interval.upper, cents, &filter, kSeconds),
                    sampleRate());
                const EnvelopeSpectrum dry(
                    render({interval.lower, interval.upper}, interval.upper, cents, nullptr, kSeconds),
                    sampleRate());
                const QString what =
                    QStringLiteral("%1, upper note %2 cents: beat %3 Hz, emphasised %4, dry %5, "
                                   "modulation %6 times the dry one")
                        .arg(interval.name)
                        .arg(cents)
                        .arg(beat, 0, 'f', 3)
                        .arg(emphasised.strongest(), 0, 'f', 3)
                        .arg(dry.strongest(), 0, 'f', 3)
                        .arg(emphasised.at(beat) / dry.at(beat), 0, 'f', 2);
                QVERIFY2(beat > kLowestBeat + kToleranceHz, qPrintable(what));
                QVERIFY2(std::abs(emphasised.strongest() - beat) <= kToleranceHz, qPrintable(what));
                QVERIFY2(std::abs(dry.strongest() - beat) <= kToleranceHz, qPrintable(what));
                QVERIFY2(emphasised.at(beat) >= kBroughtForward * dry.at(beat), qPrintable(what));
                qInfo("%s", qPrintable(what));
            }
    }
};

QTEST_GUILESS_MAIN(TestBeatEmphasis)
#include "test_beat_emphasis.moc"
