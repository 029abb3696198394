// SPDX-License-Identifier: GPL-3.0-or-later
// Rendering one preset key by key and judging each key's fundamental.
#include "synth/ProgramTuning.h"

#include "synth/FluidSynth.h"
#include "synth/OfflineRenderer.h"
#include "synth/PitchEstimate.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace synth {
namespace {

constexpr double kWindowStart = ProgramTuning::kWindowStart, kWindowLength = ProgramTuning::kWindowLength;
// The window moved this much either way must not move the fundamental by more than kSteadyCents:
// vibrato, drifting or strongly beating layers, and noise do.
constexpr double kWindowShift = 0.05;
constexpr double kSteadyCents = 2;
// Below this part of the sound's power there is no fundamental to speak of (noise, percussion). A
// steady one above it is the pitch heard however weak it is: the clean guitar's carries 1.6 %.
constexpr double kClearShare = 0.005;
constexpr double kMostCents = 50; // further off, the key plays another note's sample

// Where the phase slope (PitchEstimate.h) and the centroid must agree, and how far the phase slope
// may move from the early to the late half of the window, as measured over all 128 programs of
// FluidR3_GM (bench/bench_tuning). Over a preset's keys, the median:
// - parted by at most kAgreeCents: single samples part by 0.00 ... 0.15 cents, the presets whose
//   layers or ranks beat (the church organ 0.36, the honky-tonk 4.8) by 0.21 and more;
// - moving by at most kDriftCents: where the pitch holds it moves by 0 ... 0.31 cents, the piano's
//   beating strings 0.48, 0.49 ... 0.56 a few more; then a gap, and a pitch that drifts from 0.75
//   (the electric grand 0.87, the church organ 1.1), so the threshold lies in the gap.
// One key of a corrected preset is left as it is when the two part by more than kKeyAgreeCents, the
// accuracy promised for what is heard (the piano's B4 ... E5 part by 3 ... 5 cents),
// or when its pitch moves by more than kKeyDriftCents, a cent either way of what would be corrected.
constexpr double kAgreeCents = 0.2, kDriftCents = 0.65;
constexpr double kKeyAgreeCents = 0.5, kKeyDriftCents = 2;

struct KeyMeasure {
    double cents = 0, leftCents = 0, rightCents = 0;
    ProgramMeasurement::Key judged;
};

KeyMeasure MeasureKey(OfflineRenderer& renderer, int key, double sampleRate)
{
    const Stereo sound = renderer.note(key, kWindowStart + kWindowShift + kWindowLength);
    const auto frame = [&](double seconds) { return std::size_t(std::lround(seconds * sampleRate)); };
    const std::size_t length = frame(kWindowLength);
    const auto window = [&](const std::vector<float>& output, double start) {
        return std::span(output).subspan(frame(start), length);
    };
    const auto centroidAt = [&](const std::vector<float>& output, double start) {
        return EstimateFundamental(window(output, start), sampleRate, EqualTemperedHz(key));
    };
    const auto centsOf = [&](double hz) { return CentsBetween(hz, EqualTemperedHz(key)); };
    KeyMeasure measure;
    // Of each output and both summed: the centroid, and how far the phase slope parts from it.
    const auto read = [&](const std::vector<float>& output) {
        const Fundamental fundamental = centroidAt(output, kWindowStart);
        const double hz = fundamental.hz;
        const PhaseSlope slope = EstimateByPhaseSlope(window(output, kWindowStart), sampleRate, hz);
        measure.judged.disagreement =
            std::max(measure.judged.disagreement, std::abs(CentsBetween(slope.hz(), hz)));
        measure.judged.drift =
            std::max(measure.judged.drift, std::abs(CentsBetween(slope.lateHz, slope.earlyHz)));
        return fundamental;
    };
    const Fundamental both = read(sound.both);
    measure.cents = centsOf(both.hz);
    measure.leftCents = centsOf(read(sound.left).hz);
    measure.rightCents = centsOf(read(sound.right).hz);
    const double earlier = centsOf(centroidAt(sound.both, kWindowStart - kWindowShift).hz),
                 later = centsOf(centroidAt(sound.both, kWindowStart + kWindowShift).hz);
    measure.judged.share = both.share;
    measure.judged.spread =
        std::max({measure.cents, earlier, later}) - std::min({measure.cents, earlier, later});
    return measure;
}

double Median(std::vector<double> values)
{
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Why the preset as a whole is not to be corrected, nullptr when it is.
const char* UncorrectedBecause(const ProgramMeasurement& measured)
{
    for (std::size_t at = 0; at < measured.keys.size(); ++at) {
        const ProgramMeasurement::Key& key = measured.keys[at];
        if (key.share < kClearShare)
            return "no clear fundamental";
        if (key.spread > kSteadyCents)
            return "unsteady";
        if (std::abs(measured.tuning.offsets[at]) >= kMostCents)
            return "too far off";
    }
    if (measured.medianDisagreement > kAgreeCents)
        return "estimators disagree";
    if (measured.medianDrift > kDriftCents)
        return "drifts within a note";
    return nullptr;
}

} // namespace

std::optional<ProgramMeasurement> MeasureProgram(const std::string& soundFont, int program,
                                                 std::stop_token stop)
{
    auto renderer = OfflineRenderer::Open(soundFont, program, ProgramTuning::kVelocity);
    if (!renderer)
        return std::nullopt;
    ProgramMeasurement measured;
    std::vector<double> disagreements, drifts;
    for (int key = ProgramTuning::kLowestKey; key <= ProgramTuning::kHighestKey; ++key) {
        if (stop.stop_requested())
            return std::nullopt;
        const KeyMeasure measure = MeasureKey(*renderer, key, renderer->sampleRate());
        const auto at = std::size_t(key - ProgramTuning::kLowestKey);
        measured.tuning.offsets[at] = measure.cents;
        measured.tuning.leftOffsets[at] = measure.leftCents;
        measured.tuning.rightOffsets[at] = measure.rightCents;
        measured.tuning.keysLeftAlone[at] =
            measure.judged.disagreement > kKeyAgreeCents || measure.judged.drift > kKeyDriftCents;
        measured.keys[at] = measure.judged;
        disagreements.push_back(measure.judged.disagreement);
        drifts.push_back(measure.judged.drift);
    }
    measured.medianDisagreement = Median(disagreements);
    measured.medianDrift = Median(drifts);
    measured.uncorrectedBecause = UncorrectedBecause(measured);
    measured.tuning.corrected = !measured.uncorrectedBecause;
    return measured;
}

std::optional<ProgramTuning> MeasureProgramTuning(const std::string& soundFont, int program,
                                                  std::stop_token stop)
{
    const auto measured = MeasureProgram(soundFont, program, stop);
    return measured ? std::optional(measured->tuning) : std::nullopt;
}

} // namespace synth
