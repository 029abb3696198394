// SPDX-License-Identifier: GPL-3.0-or-later
// A struck string as a sum of partials, each dying away in two stages, computed sample by sample by
// damped resonators in double precision, so that every partial lies exactly where it is meant to.
#include "synth/TuningPiano.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>

namespace synth {
namespace {

constexpr int kLowestOwnString = 53, kHighestOwnString = 76; // F3 ... E5: the game's keyboard
constexpr int kHighStringStep = 3;                           // above it, one string every three keys
constexpr int kHighestModel = 106;
constexpr int kTabledPartials = 8;

// The FluidR3 piano (program 0, velocity 100, dry, gain 0.6), each partial's mean power over 0.2 ... 3 s
// of the sum of both outputs, in dB of full scale, keys F3 ... E5. Its samples cover three or four keys
// each, hence the runs of alike rows. Our strings keep this average spectrum, key by key.
constexpr std::array<std::array<double, kTabledPartials>, kHighestOwnString - kLowestOwnString + 1>
    kFluidR3PianoLevels{{
        {-28.8, -33.2, -53.1, -52.9, -52.2, -62.9, -46.9, -51.2}, // F3
        {-29.0, -33.7, -53.5, -53.2, -52.5, -63.4, -47.2, -51.7},
        {-33.3, -38.5, -53.4, -55.2, -53.7, -62.8, -47.8, -57.1},
        {-33.6, -38.7, -53.8, -55.6, -54.2, -63.2, -48.1, -57.6},
        {-34.1, -39.0, -54.2, -55.9, -54.6, -63.7, -48.5, -58.1}, // A3
        {-34.5, -39.3, -54.7, -56.3, -54.9, -64.3, -49.0, -58.6},
        {-31.5, -40.2, -52.9, -47.4, -56.6, -54.1, -51.3, -53.1},
        {-31.8, -40.6, -53.3, -47.8, -56.9, -54.7, -51.8, -53.7}, // C4
        {-32.1, -40.9, -53.8, -48.1, -57.2, -55.4, -52.2, -54.2},
        {-32.4, -41.4, -54.3, -48.4, -57.6, -56.0, -52.6, -54.7},
        {-41.3, -48.7, -57.4, -57.6, -50.3, -57.6, -66.0, -58.1},
        {-41.6, -49.2, -57.5, -57.8, -50.6, -57.8, -66.1, -58.6},
        {-42.0, -49.7, -57.6, -58.1, -51.0, -58.1, -66.3, -59.0}, // F4
        {-42.4, -50.2, -57.7, -58.3, -51.4, -58.4, -66.5, -59.4},
        {-30.3, -54.5, -50.8, -49.4, -59.1, -52.0, -60.2, -62.9},
        {-30.6, -55.0, -51.2, -49.7, -60.1, -53.0, -60.9, -63.4},
        {-31.1, -55.6, -51.6, -49.9, -61.1, -54.1, -61.7, -63.9}, // A4
        {-31.5, -56.1, -52.0, -50.2, -62.1, -55.2, -62.4, -64.4},
        {-42.9, -51.5, -49.0, -59.0, -54.1, -60.8, -66.5, -60.8},
        {-43.5, -52.1, -49.3, -59.3, -54.5, -61.3, -67.4, -61.7}, // C5
        {-43.9, -52.7, -49.5, -59.7, -54.9, -61.9, -68.4, -62.7},
        {-44.5, -53.2, -49.8, -60.2, -55.3, -62.5, -69.5, -63.7},
        {-47.1, -53.2, -62.7, -53.2, -56.3, -66.4, -69.8, -91.4},
        {-47.7, -53.7, -63.0, -53.6, -56.9, -67.5, -70.7, -92.6}, // E5
    }};
// A partial the FluidR3 sample nearly lacks (a node at the hammer or the microphone) is kept this far
// below the first, so that every partial a tuner listens to is there to be heard.
constexpr double kDeepestPartialDecibels = -40;
// Beyond the tabled partials the level falls by this much per doubling of the partial number.
constexpr double kRollOffPerOctave = 9;
constexpr double kHighestPartialHz = 10000;
constexpr int kMostPartials = 32;

// The window the table averages over.
constexpr double kAverageFrom = 0.2, kAverageTo = 3.0;

// Two-stage decay of a struck string (prompt sound, then aftersound), in dB a second, faster for
// higher partials; the FluidR3 piano's partials fall by 13 ... 36 dB/s over their first second and
// by 3 ... 6 dB/s after two seconds (measured, median over F3 ... E5 per band of partial frequency).
constexpr double kAftersoundDecibels = -20; // the slow stage's start, under the prompt sound's
double PromptDecayRate(double hz)
{
    return 12 + 5 * std::log2(std::max(hz, 250.0) / 250);
}
double AftersoundDecayRate(double hz)
{
    return 3 + 2 * std::log2(std::max(hz, 250.0) / 250);
}

// Long enough to follow a slow beat over a few of its periods (a fifth beating 0.3 … 0.5 Hz): a
// low string rings 12 s, a high one until its fundamental has fallen 60 dB.
constexpr double kShortestSeconds = 3, kLongestSeconds = 12;
constexpr double kFadeSeconds = 0.5;     // to silence at the end of the sample
constexpr double kEndDecibels = -60;     // the first partial's fall at which the sample may end
constexpr int kBlock = 64;               // frames the sum is worked out in at a time (1.5 ms)
constexpr double kSilentDecibels = -80;  // a partial this far under the sample's peak is left out
constexpr double kAttackSeconds = 0.001; // the hammer's contact: a click-free rise
// The hammer's thump: a burst of low noise dying away within a few hundredths of a second.
constexpr double kThumpDecibels = -26, kThumpSeconds = 0.012, kThumpLowPassHz = 1200;
constexpr double kSamplePeak = 0.9 * 32767;
// From a sample's full scale to the sum of both outputs at velocity 100, dry, gain 0.6 (measured).
constexpr double kPlaybackGainDecibels = -8.75;

double DecibelsToAmplitude(double decibels)
{
    return std::pow(10.0, decibels / 20);
}

double NominalHz(int key)
{
    return 440 * std::exp2((key - 69) / 12.0);
}

const std::array<double, kTabledPartials>& TabledLevels(int modelKey)
{
    return kFluidR3PianoLevels[std::size_t(std::clamp(modelKey, kLowestOwnString, kHighestOwnString) -
                                           kLowestOwnString)];
}

// The partials' average levels over the table's window, in dB of full scale.
std::vector<double> AverageLevels(int modelKey, int partials)
{
    const auto& tabled = TabledLevels(modelKey);
    std::vector<double> levels;
    double tail = 0; // the tabled partials 5 ... 8, smoothed, where the roll-off starts
    for (int n = 5; n <= kTabledPartials; ++n)
        tail += std::max(tabled[n - 1], tabled[0] + kDeepestPartialDecibels) / 4;
    for (int n = 1; n <= partials; ++n)
        levels.push_back(n <= kTabledPartials ? std::max(tabled[n - 1], tabled[0] + kDeepestPartialDecibels)
                                              : tail - kRollOffPerOctave * std::log2(n / 8.0));
    return levels;
}

// One partial's envelope: the prompt sound plus the aftersound, each an exponential decay.
struct Decay {
    double prompt = 0, after = 0; // per sample, amplitude factors
    double afterShare = DecibelsToAmplitude(kAftersoundDecibels);

    Decay(double hz, int rate)
        : prompt(DecibelsToAmplitude(-PromptDecayRate(hz) / rate)),
          after(DecibelsToAmplitude(-AftersoundDecayRate(hz) / rate))
    {
    }
    double at(double seconds, int rate) const
    {
        return std::pow(prompt, seconds * rate) + afterShare * std::pow(after, seconds * rate);
    }
    // The envelope's mean power over the table's window.
    double meanPower(int rate) const
    {
        constexpr int kSteps = 200;
        double sum = 0;
        for (int i = 0; i < kSteps; ++i) {
            const double t = kAverageFrom + (kAverageTo - kAverageFrom) * (i + 0.5) / kSteps;
            sum += at(t, rate) * at(t, rate);
        }
        return sum / kSteps;
    }
};

struct Partial {
    double hz = 0;
    double amplitude = 0; // at the start, in full scale of the output mix
    Decay decay;
    int frames = 0; // how long it is computed before it is below the sample's floor
};

std::vector<Partial> PartialsOf(int modelKey, StringKind kind, int rate, double cents)
{
    const double firstHz = NominalHz(modelKey) * std::exp2(cents / 1200);
    // The strings above the keyboard are played up to a semitone higher: no partial may fold over then.
    const double highestHz = std::min(kHighestPartialHz, 0.45 * rate / std::exp2(1 / 12.0));
    int count = 0;
    while (count < kMostPartials &&
           (count + 1) * firstHz * PartialStretch(count + 1, kind, modelKey) < highestHz)
        ++count;
    const std::vector<double> levels = AverageLevels(modelKey, count);
    std::vector<Partial> partials;
    for (int n = 1; n <= count; ++n) {
        const double hz = n * firstHz * PartialStretch(n, kind, modelKey);
        const Decay decay(hz, rate);
        const double amplitude = DecibelsToAmplitude(levels[n - 1]) / std::sqrt(decay.meanPower(rate));
        partials.push_back({hz, amplitude, decay, 0});
    }
    return partials;
}

int SampleFrames(const Partial& first, int rate)
{
    double seconds = kShortestSeconds;
    while (seconds < kLongestSeconds && 20 * std::log10(first.decay.at(seconds, rate)) > kEndDecibels)
        seconds += 0.1;
    return int(std::min(seconds, kLongestSeconds) * rate);
}

// How long each partial sounds above the floor under the loudest start of them all: until each of
// its two stages is below half the floor.
void SetLengths(std::vector<Partial>& partials, int frames)
{
    double loudest = 0;
    for (const Partial& partial : partials)
        loudest = std::max(loudest, partial.amplitude);
    const double halfFloor = loudest * DecibelsToAmplitude(kSilentDecibels) / 2;
    auto framesAbove = [&](double start, double factor) {
        return start <= halfFloor ? 0.0 : std::log(halfFloor / start) / std::log(factor);
    };
    for (Partial& partial : partials) {
        const double sounding =
            std::max(framesAbove(partial.amplitude, partial.decay.prompt),
                     framesAbove(partial.amplitude * partial.decay.afterShare, partial.decay.after));
        partial.frames = std::min(frames, int(std::ceil(sounding / kBlock)) * kBlock);
    }
}

// The sum of all partials. Each block of kBlock frames starts every partial at its exact phase,
// 2π·frac(f·t/rate) worked out in double precision, and runs it on from tables of cos(ωt) and sin(ωt)
// over the block: no error builds up from one block to the next, so each partial keeps its frequency
// exactly, while the sums themselves run in single precision, many frames at a time. The envelope
// goes in a straight line across a block, between its exact values at the block's ends.
std::vector<float> SumOfPartials(const std::vector<Partial>& partials, int frames, int rate,
                                 std::stop_token stop)
{
    struct Rotation {
        std::array<float, kBlock> cosines, sines;
    };
    std::vector<Rotation> rotations(partials.size());
    for (std::size_t p = 0; p < partials.size(); ++p)
        for (int t = 0; t < kBlock; ++t) {
            const double radians = 2 * std::numbers::pi * partials[p].hz / rate * t;
            rotations[p].cosines[std::size_t(t)] = float(std::cos(radians));
            rotations[p].sines[std::size_t(t)] = float(std::sin(radians));
        }
    const int blocks = (frames + kBlock - 1) / kBlock;
    std::vector<float> sum(std::size_t(blocks) * kBlock, 0.0F);
    for (std::size_t p = 0; p < partials.size(); ++p) {
        if (stop.stop_requested())
            return {};
        const Partial& partial = partials[p];
        const double cyclesPerFrame = partial.hz / rate;
        // The two stages, stepped a block at a time.
        double prompt = partial.amplitude, after = partial.amplitude * partial.decay.afterShare;
        const double promptStep = std::pow(partial.decay.prompt, kBlock);
        const double afterStep = std::pow(partial.decay.after, kBlock);
        for (int start = 0; start < partial.frames; start += kBlock) {
            const double cycles = cyclesPerFrame * start;
            const double phase = 2 * std::numbers::pi * (cycles - std::floor(cycles));
            const auto sine = float(std::sin(phase)), cosine = float(std::cos(phase));
            const double envelope = prompt + after;
            prompt *= promptStep;
            after *= afterStep;
            const auto level = float(envelope), slope = float((prompt + after - envelope) / kBlock);
            float* out = sum.data() + start;
            const Rotation& rotation = rotations[p];
            for (int t = 0; t < kBlock; ++t)
                out[t] += (level + slope * float(t)) *
                          (sine * rotation.cosines[std::size_t(t)] + cosine * rotation.sines[std::size_t(t)]);
        }
    }
    sum.resize(std::size_t(frames));
    return sum;
}

// The hammer: a soft rise over its contact time and a short thump of low noise.
void Strike(std::vector<float>& sound, int modelKey, int rate, double level)
{
    const int rise = std::max(1, int(kAttackSeconds * rate));
    for (int t = 0; t < rise && t < int(sound.size()); ++t)
        sound[std::size_t(t)] *= 0.5 - 0.5 * std::cos(std::numbers::pi * t / rise);
    std::minstd_rand noise(std::uint_fast32_t(modelKey) + 1); // the same thump at every start
    std::uniform_real_distribution<double> uniform(-1, 1);
    const double smoothing = std::exp(-2 * std::numbers::pi * kThumpLowPassHz / rate);
    const double fall = std::exp(-1 / (kThumpSeconds * rate));
    double lowPassed = 0, envelope = level * DecibelsToAmplitude(kThumpDecibels);
    for (std::size_t t = 0; t < sound.size() && envelope > level * 1e-6; ++t, envelope *= fall) {
        lowPassed = smoothing * lowPassed + (1 - smoothing) * uniform(noise);
        sound[t] += envelope * lowPassed;
    }
}

void FadeOut(std::vector<float>& sound, int rate)
{
    const std::size_t fade = std::min(sound.size(), std::size_t(kFadeSeconds * rate));
    const std::size_t from = sound.size() - fade;
    for (std::size_t i = 0; i < fade; ++i)
        sound[from + i] *= 0.5 + 0.5 * std::cos(std::numbers::pi * double(i) / double(fade));
}

StringSample Quantized(const std::vector<float>& sound, int rootKey)
{
    double peak = 0;
    for (double value : sound)
        peak = std::max(peak, std::abs(value));
    StringSample sample;
    sample.rootKey = rootKey;
    const double scale = peak > 0 ? kSamplePeak / peak : 1;
    sample.frames.reserve(sound.size() + 8);
    for (double value : sound)
        sample.frames.push_back(std::int16_t(std::lround(value * scale)));
    sample.frames.resize(sound.size() + 8, 0); // FluidSynth's interpolation reads past the last frame
    // The sound was computed in output full scale; the sample holds it `scale` times louder.
    const double attenuationDecibels = 20 * std::log10(scale / 32768) + kPlaybackGainDecibels;
    sample.attenuation = float(std::max(0.0, attenuationDecibels * 10));
    return sample;
}

} // namespace

double Inharmonicity(int key)
{
    // Young (1952): the second partial of middle C's plain steel string lies about 1.2 cents above
    // twice the first, and the inharmonicity doubles every eight semitones above it. 1.2 cents is
    // 1200·log2(√(1 + 4B)): B = 3.47·10⁻⁴.
    const double middleC = (std::exp2(2 * 1.2 / 1200) - 1) / 4;
    return middleC * std::exp2((key - 60) / 8.0);
}

double PartialStretch(int n, StringKind kind, int key)
{
    if (kind == StringKind::Harmonic)
        return 1;
    const double b = Inharmonicity(key);
    return std::sqrt((1 + b * n * n) / (1 + b));
}

int ModelKeyOf(int key)
{
    if (key <= kLowestOwnString)
        return kLowestOwnString;
    if (key <= kHighestOwnString)
        return key;
    const int above = key - kHighestOwnString;
    return std::min(kHighestModel, kHighestOwnString + (above + 1) / kHighStringStep * kHighStringStep);
}

std::vector<int> ModelKeys()
{
    std::vector<int> keys;
    for (int key = kLowestOwnString; key <= kHighestOwnString; ++key)
        keys.push_back(key);
    for (int key = kHighestOwnString + kHighStringStep; key <= kHighestModel; key += kHighStringStep)
        keys.push_back(key);
    return keys;
}

StringSample MakeStringSample(int modelKey, StringKind kind, int rate, std::stop_token stop, double cents)
{
    std::vector<Partial> partials = PartialsOf(modelKey, kind, rate, cents);
    const int frames = SampleFrames(partials.front(), rate);
    SetLengths(partials, frames);
    double level = 0;
    for (const Partial& partial : partials)
        level += partial.amplitude;
    std::vector<float> sound = SumOfPartials(partials, frames, rate, stop);
    if (sound.empty())
        return {};
    Strike(sound, modelKey, rate, level);
    FadeOut(sound, rate);
    return Quantized(sound, modelKey);
}

} // namespace synth
