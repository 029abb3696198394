// SPDX-License-Identifier: GPL-3.0-or-later
// What the player hears from the built-in synthesizer, for run_heard_pitch.sh.
//   heard_pitch record <port pattern> <file>
//     Records the matching JACK outputs, summed, until SIGTERM (JackRecording.h).
//   heard_pitch heard <file> <count>
//     Exits 0 once the recording so far holds <count> notes and has fallen quiet after the last.
//   heard_pitch check <file> <sample rate> <answer of C,C#,...,B in cents>
//     Finds the twelve notes F3 ... E4 in the recording, played in that order, and checks each
//     against equal temperament (A4 = 440 Hz) plus its class's answer: within 0.5 cent, B within
//     1.0. The pitch is the strongest spectral peak near the fundamental (tests/synth/PitchMeter),
//     measured 0.25 ... 0.95 s after the onset; nothing of the program's own estimator is used.
//     Prints one line per note; exits 1 when a note is missing or out of tune.
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

constexpr int kFirstKey = 53; // F3
constexpr int kKeys = 12;
constexpr double kTolerance = 0.5, kToleranceOfB = 1.0; // cents; B's two strings beat more
constexpr double kLeastKeyDistance = 1.0;               // seconds

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

int Check(const std::string& path, double sampleRate, const std::vector<double>& answer)
{
    static const char* const kNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
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
    for (int n = 0; n < kKeys; ++n) {
        const int key = kFirstKey + n, pitchClass = key % 12;
        const double targetHz = jackhelper::EqualTemperedHz(key) * std::exp2(answer[pitchClass] / 1200);
        const std::optional<double> off = jackhelper::CentsOff(samples, sampleRate, onsets[n], targetHz);
        if (!off) {
            std::printf("FAIL: the recording ends inside %s\n", kNames[pitchClass]);
            return 1;
        }
        const double error = *off;
        const double tolerance = pitchClass == 11 ? kToleranceOfB : kTolerance;
        const bool ok = std::abs(error) <= tolerance;
        inTune = inTune && ok;
        std::printf(
            "%s %-2s answer %+4.0f cents: heard %+.3f cents off, from %.2f s%s\n", ok ? "ok  " : "FAIL",
            kNames[pitchClass], answer[pitchClass], error, double(onsets[n]) / sampleRate,
            jackhelper::DisturbedByXRun(xruns, sampleRate, onsets[n]) ? " (an xrun during the note)" : "");
    }
    return inTune ? 0 : 1;
}

// Whether the last of `count` notes heard so far has died away: the level has stayed below the
// onset finder's quiet level over the last 0.2 s.
bool HeardAndQuiet(const std::string& path, std::size_t count)
{
    constexpr double kSampleRate = 48000, kQuietSeconds = 0.2, kQuietShare = 0.02;
    const std::vector<float> samples = jackhelper::ReadSamples(path);
    const auto tail = std::size_t(kQuietSeconds * kSampleRate);
    if (KeyOnsets(samples, kSampleRate).size() < count || samples.size() < tail)
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
    if (args.size() == 3 && args[0] == "heard")
        return HeardAndQuiet(args[1], std::size_t(std::atoi(args[2].c_str()))) ? 0 : 1;
    if (args.size() == 4 && args[0] == "check") {
        const std::vector<double> answer = ParseAnswer(args[3]);
        if (answer.size() == kKeys)
            return Check(args[1], std::atof(args[2].c_str()), answer);
    }
    std::fprintf(stderr, "usage: heard_pitch record <port pattern> <file>\n"
                         "       heard_pitch heard <file> <count>\n"
                         "       heard_pitch check <file> <sample rate> <answer C,...,B>\n");
    return 2;
}
