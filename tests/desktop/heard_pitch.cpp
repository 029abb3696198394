// SPDX-License-Identifier: GPL-3.0-or-later
// What the player hears from the built-in synthesizer, for run_heard_pitch.sh.
//   heard_pitch record <port pattern> <file>
//     Records the matching JACK outputs, summed, until SIGTERM (JackRecording.h).
//   heard_pitch heard <file> <count> [<seconds>]
//     Exits 0 once the recording so far holds <count> notes and has fallen quiet after the last, and
//     holds at least <seconds> after the last note's onset.
//   heard_pitch check <file> <sample rate> <answer of C,C#,...,B in cents>
//     Finds the twenty notes F3 ... C5 in the recording, played in that order, and checks each
//     against equal temperament (A4 = 440 Hz) plus its class's answer, within 0.25 cent, and that
//     none of its first three partials dips more than 3 dB below a smooth decay while held (a key
//     of one string does not beat by itself). The pitch is the strongest spectral peak near the
//     fundamental (tests/synth/PitchMeter), measured 0.25 ... 0.95 s after the onset; nothing of the
//     program's own estimator is used. Prints one line per note; exits 1 when a note is missing,
//     out of tune or beats.
//   heard_pitch steps <file> <sample rate> <detune of C,C#,...,B in cents>
//     Finds the twelve steps of the tuning order as the beat window plays them, in order, in the
//     challenge's tuning, and follows a perfect ear through them: at each step it sets the note being
//     tuned so that the interval beats as fast, and the same way, as equal temperament does with
//     harmonic partials (the rates the beat window lists for the tuning piano). Where the heard beat
//     (the two coincident partials' spectral peaks; for a beat slower than 3 Hz, which a 3.5 s
//     hearing cannot time apart, the two fundamentals) differs
//     from what harmonic partials make in this tuning, the ear lands off by that difference; the
//     errors add up along the order. Exits 1 when a class lands more than 0.5 cent off.
#include "HeardBeat.h"
#include "HeardNote.h"
#include "JackRecording.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kFirstKey = 53;                     // F3
constexpr int kKeys = 20;                         // F3 ... C5, the keys the computer keyboard plays
constexpr double kTolerance = 0.25;               // cents
constexpr double kLeastKeyDistance = 1.0;         // seconds
constexpr double kHeldFrom = 0.08, kHeldTo = 1.9; // seconds after the onset: the key is held 2 s
constexpr double kDeepestDip = 3;                 // dB
constexpr int kMostDisturbed = 2;                 // notes an xrun may cut into on a busy machine
constexpr const char* kNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

std::vector<double> ParseAnswer(const std::string& text)
{
    std::vector<double> answer;
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, ',');)
        answer.push_back(std::atof(item.c_str()));
    return answer;
}

// The onsets of the keys, which are pressed seconds apart: a rise within a second of the last one is
// a gap an xrun left in the note, not a key.
std::vector<std::size_t> KeyOnsets(const std::vector<float>& samples, double sampleRate)
{
    std::vector<std::size_t> keys;
    for (const std::size_t onset : jackhelper::Onsets(samples, sampleRate))
        if (keys.empty() || double(onset - keys.back()) > kLeastKeyDistance * sampleRate)
            keys.push_back(onset);
    return keys;
}

// The deepest dip of partials 1 ... 3 of the note held from `onset`, below a smooth decay (dB).
double DeepestPartialDip(std::span<const float> samples, double sampleRate, std::size_t onset, double hz)
{
    const auto begin = onset + std::size_t(kHeldFrom * sampleRate);
    const auto held = samples.subspan(begin, std::size_t((kHeldTo - kHeldFrom) * sampleRate));
    double deepest = 0;
    for (int partial = 1; partial <= 3; ++partial)
        deepest = std::max(
            deepest, jackhelper::DeepestDipDb(jackhelper::PartialEnvelopeDb(held, sampleRate, partial * hz)));
    return deepest;
}

int Check(const std::string& path, double sampleRate, const std::vector<double>& answer)
{
    const std::vector<float> samples = jackhelper::ReadSamples(path);
    const std::vector<std::size_t> onsets = KeyOnsets(samples, sampleRate);
    const std::vector<std::size_t> xruns = jackhelper::ReadXRuns(path);
    if (onsets.size() != kKeys) {
        std::printf("FAIL: heard %zu notes of the %d keys played, at", onsets.size(), kKeys);
        for (const std::size_t onset : onsets)
            std::printf(" %.2f", double(onset) / sampleRate);
        std::printf(" s of %.2f s\n", double(samples.size()) / sampleRate);
        return 1;
    }
    bool inTune = true;
    int disturbed = 0; // notes the server's xruns cut into: a gap is neither the string's pitch nor its dip
    for (int n = 0; n < kKeys; ++n) {
        const int key = kFirstKey + n, pitchClass = key % 12;
        const double targetHz = jackhelper::EqualTemperedHz(key) * std::exp2(answer[pitchClass] / 1200);
        const std::optional<double> off = jackhelper::CentsOff(samples, sampleRate, onsets[n], targetHz);
        if (!off || onsets[n] + std::size_t(kHeldTo * sampleRate) > samples.size()) {
            std::printf("FAIL: the recording ends inside %s\n", kNames[pitchClass]);
            return 1;
        }
        const double error = *off;
        const double dip = DeepestPartialDip(samples, sampleRate, onsets[n], targetHz);
        // A gap an xrun left in the recording is no dip of the string.
        const bool xrun = jackhelper::DisturbedByXRun(xruns, sampleRate, onsets[n], kHeldTo);
        const bool ok = xrun || (std::abs(error) <= kTolerance && dip <= kDeepestDip);
        disturbed += xrun;
        inTune = inTune && ok;
        std::printf(
            "%s %-3s answer %+4.0f cents: heard %+.3f cents off, partials 1-3 dip %.1f dB, from %.2f s%s\n",
            ok ? "ok  " : "FAIL", (kNames[pitchClass] + std::to_string(key / 12 - 1)).c_str(),
            answer[pitchClass], error, dip, double(onsets[n]) / sampleRate,
            xrun ? " (an xrun during the note)" : "");
    }
    if (disturbed > kMostDisturbed)
        std::printf("FAIL: xruns disturbed %d of the %d notes\n", disturbed, kKeys);
    return inTune && disturbed <= kMostDisturbed ? 0 : 1;
}

// The tuning order of the hint and the beat window: the note already tuned, the note being tuned, and
// the partials of the lower and the upper note that meet (octave 2 : 1, fifth 3 : 2, fourth 4 : 3).
struct Step {
    int from, to, lowerPartial, upperPartial;
};
constexpr Step kTuningOrder[] = {{57, 69, 2, 1}, {69, 76, 3, 2}, {69, 74, 4, 3}, {76, 71, 4, 3},
                                 {71, 66, 4, 3}, {66, 73, 3, 2}, {73, 68, 4, 3}, {68, 75, 3, 2},
                                 {75, 70, 4, 3}, {70, 65, 4, 3}, {65, 72, 3, 2}, {72, 67, 4, 3}};
constexpr double kStepFrom = 0.3, kStepTo = 3.8; // seconds after the onset: the step sounds 4 s
// Hz: two partials closer than this are not told apart in the 3.5 s heard.
constexpr double kSlowestBeat = 3;
constexpr double kLanding = 0.5; // cents

int CheckSteps(const std::string& path, double sampleRate, const std::vector<double>& detune)
{
    const std::vector<float> samples = jackhelper::ReadSamples(path);
    const std::vector<std::size_t> onsets = KeyOnsets(samples, sampleRate);
    const std::vector<std::size_t> xruns = jackhelper::ReadXRuns(path);
    if (onsets.size() != std::size(kTuningOrder)) {
        std::printf("FAIL: heard %zu steps of %zu\n", onsets.size(), std::size(kTuningOrder));
        return 1;
    }
    std::vector<double> landed(12, 0.0); // each class's error, cents; A is where the order starts
    bool onTarget = true;
    for (std::size_t n = 0; n < onsets.size(); ++n) {
        const Step& step = kTuningOrder[n];
        const int lower = std::min(step.from, step.to), upper = std::max(step.from, step.to);
        const auto begin = onsets[n] + std::size_t(kStepFrom * sampleRate);
        const auto length = std::size_t((kStepTo - kStepFrom) * sampleRate);
        if (begin + length > samples.size()) {
            std::printf("FAIL: the recording ends inside step %zu\n", n + 1);
            return 1;
        }
        const auto window = std::span(samples).subspan(begin, length);
        const auto tuned = [&](int key) {
            return jackhelper::EqualTemperedHz(key) * std::exp2(detune[key % 12] / 1200);
        };
        // What harmonic partials make of this tuning: upper partial minus lower, Hz.
        const double expected = step.upperPartial * tuned(upper) - step.lowerPartial * tuned(lower);
        const double lowerHz = testing::PeakFrequency(window, sampleRate, tuned(lower), 30);
        // The coincident partials, each where its spectrum peaks, searched within a third of the
        // beat around where harmonic partials would lie; the two stand apart when they beat at
        // kSlowestBeat or faster. A slower beat, or one an xrun cut into, is taken from the
        // fundamentals alone (test_tuning_piano shows every partial of every key where harmonic
        // partials lie).
        double heard = expected; // the octave of one class: nothing to set
        if (step.upperPartial > 1) {
            const double upperHz = testing::PeakFrequency(window, sampleRate, tuned(upper), 30);
            const double fromFundamentals = step.upperPartial * upperHz - step.lowerPartial * lowerHz;
            const bool timed = std::abs(fromFundamentals) >= kSlowestBeat &&
                               !jackhelper::DisturbedByXRun(xruns, sampleRate, onsets[n], kStepTo);
            const double near = step.lowerPartial * tuned(lower);
            const double search = testing::CentsBetween(near + std::abs(expected) / 3, near);
            heard =
                timed ? testing::PeakFrequency(window, sampleRate, step.upperPartial * tuned(upper), search) -
                            testing::PeakFrequency(window, sampleRate, near, search)
                      : fromFundamentals;
        }
        // Raising the note being tuned by a cent moves the beat by its partial's frequency / 1731.
        const bool toIsUpper = step.to == upper;
        const double perCent =
            (toIsUpper ? step.upperPartial * tuned(upper) : -step.lowerPartial * tuned(lower)) *
            std::log(2.0) / 1200;
        const double stepError = (expected - heard) / perCent;
        double& error = landed[std::size_t(step.to % 12)];
        if (step.upperPartial > 1)
            error = landed[std::size_t(step.from % 12)] + stepError;
        const bool ok = std::abs(error) <= kLanding;
        onTarget = onTarget && ok;
        std::printf("%s step %2zu %s%d-%s%d: beats %+.3f Hz, harmonic partials %+.3f Hz: "
                    "%s lands %+.3f cents off\n",
                    ok ? "ok  " : "FAIL", n + 1, kNames[step.from % 12], step.from / 12 - 1,
                    kNames[step.to % 12], step.to / 12 - 1, heard, expected, kNames[step.to % 12], error);
    }
    return onTarget ? 0 : 1;
}

// Whether the last of `count` notes heard so far has died away: the level has stayed below the
// onset finder's quiet level over the last 0.2 s, and `seconds` have passed since its onset.
bool HeardAndQuiet(const std::string& path, std::size_t count, double seconds)
{
    constexpr double kSampleRate = 48000, kQuietSeconds = 0.2, kQuietShare = 0.02;
    const std::vector<float> samples = jackhelper::ReadSamples(path);
    const auto tail = std::size_t(kQuietSeconds * kSampleRate);
    const auto onsets = KeyOnsets(samples, kSampleRate);
    if (onsets.size() < count || samples.size() < tail ||
        samples.size() < onsets[count - 1] + std::size_t(seconds * kSampleRate))
        return false;
    const auto peakOf = [](std::span<const float> part) {
        float peak = 0;
        for (const float sample : part)
            peak = std::max(peak, std::abs(sample));
        return peak;
    };
    const std::span all(samples);
    const float loudest = peakOf(all.first(all.size() - tail)), lastPeak = peakOf(all.last(tail));
    return lastPeak < kQuietShare * loudest;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "record")
        return jackhelper::Record("velmora-heard-pitch", args[1], args[2]);
    if ((args.size() == 3 || args.size() == 4) && args[0] == "heard")
        return HeardAndQuiet(args[1], std::size_t(std::max(1, std::atoi(args[2].c_str()))),
                             args.size() == 4 ? std::atof(args[3].c_str()) : 0)
                   ? 0
                   : 1;
    if (args.size() == 4 && (args[0] == "check" || args[0] == "steps")) {
        const std::vector<double> classes = ParseAnswer(args[3]);
        if (classes.size() == 12)
            return (args[0] == "check" ? Check : CheckSteps)(args[1], std::atof(args[2].c_str()), classes);
    }
    std::fprintf(stderr, "usage: heard_pitch record <port pattern> <file>\n"
                         "       heard_pitch heard <file> <count> [<seconds>]\n"
                         "       heard_pitch check <file> <sample rate> <answer C,...,B>\n"
                         "       heard_pitch steps <file> <sample rate> <detune C,...,B>\n");
    return 2;
}
