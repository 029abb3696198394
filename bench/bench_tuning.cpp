// SPDX-License-Identifier: GPL-3.0-or-later
// The SoundFont's own tuning: how long measuring the piano (and, median, any program) takes, on a
// quiet machine and with two busy loops beside it, and how long putting its correction into the
// SoundFont (rewriting the headers and loading them again) takes; for each of the 128 programs
// whether it is corrected (if not, why; if so, which keys are left as they are) and the largest offset
// from equal temperament that the correction leaves on the game's keys, on either output, by its own
// arithmetic (sample rates are whole hertz); and how long after the synthesizer opens the piano's
// correction is in at a first start (an empty cache: FluidR3_GM is hashed and found in the shipped
// table) and at a later one (the hash remembered). Tab-separated rows: what, value, unit.
// `bench_tuning first-start` prints only the first-start rows (seconds, not minutes).
#include "Rows.h"
#include "synth/BuiltinSynthDevice.h"
#include "synth/ProgramTuning.h"
#include "synth/SampleRetuning.h"

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

using bench::Clock;
using bench::MillisecondsSince;
using bench::Row;

namespace {

// Of either output: what the rates leave of a corrected preset's keys, the offset itself of a key or
// preset left alone.
double LargestLeft(const synth::ProgramTuning& measured, const synth::ProgramTuning& left)
{
    double largest = 0;
    for (int key = synth::ProgramTuning::kLowestKey; key <= synth::ProgramTuning::kHighestKey; ++key) {
        const synth::ProgramTuning& heard = measured.correctsKey(key) ? left : measured;
        using Side = synth::ProgramTuning::Side;
        largest = std::max(
            {largest, std::abs(heard.offset(key, Side::Left)), std::abs(heard.offset(key, Side::Right))});
    }
    return largest;
}

double Median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2), values.end());
    return values[values.size() / 2];
}

// "corrected", "corrected but keys 71 ... 76" or "left alone (why)".
std::string Verdict(const synth::ProgramMeasurement& measured)
{
    const synth::ProgramTuning& tuning = measured.tuning;
    std::string verdict = tuning.corrected ? "corrected" : "left alone (";
    if (!tuning.corrected)
        return verdict.append(measured.uncorrectedBecause).append(")");
    for (int key = synth::ProgramTuning::kLowestKey; key <= synth::ProgramTuning::kHighestKey; ++key)
        if (!tuning.correctsKey(key))
            verdict.append(verdict.ends_with("d") ? " but keys " : " ").append(std::to_string(key));
    return verdict;
}

// Milliseconds each of `programs` takes to measure, median.
double MedianMeasuringTime(const std::string& soundFont, const std::vector<int>& programs)
{
    std::vector<double> measuring;
    for (const int program : programs) {
        const auto start = Clock::now();
        synth::MeasureProgramTuning(soundFont, program);
        measuring.push_back(MillisecondsSince(start));
    }
    return Median(measuring);
}

// Two threads that keep both cores of a two-core machine busy while alive, as an ordinary busy
// machine does.
class BusyLoops {
public:
    BusyLoops()
    {
        for (auto& loop : loops_)
            loop = std::jthread([](std::stop_token stop) {
                while (!stop.stop_requested()) {
                }
            });
    }

private:
    std::jthread loops_[2];
};

// From opening the synthesizer to the piano's correction being in its sample rates.
double MillisecondsToThePiano(const std::string& soundFont, const QString& cacheFolder)
{
    const auto start = Clock::now();
    auto synth = synth::FluidSynth::Open({.soundFonts = {soundFont}, .reverb = false});
    if (!synth)
        return NAN;
    const auto calibrator = synth::MakeTuningCalibrator(*synth, cacheFolder);
    calibrator->request(0);
    return calibrator->waitFor(0, std::chrono::minutes(5)) ? MillisecondsSince(start) : NAN;
}

void FirstStart(const std::string& soundFont)
{
    const QTemporaryDir cache;
    Row("tuning: the piano ready at a first start (empty cache)",
        MillisecondsToThePiano(soundFont, cache.path()), "ms");
    Row("tuning: the piano ready at a later start (hash remembered)",
        MillisecondsToThePiano(soundFont, cache.path()), "ms");
}

} // namespace

int main(int argc, char** argv)
{
    const std::string soundFont = synth::BuiltinSynthOptions{}.soundFonts.front();
    FirstStart(soundFont);
    if (argc > 1 && std::string(argv[1]) == "first-start")
        return 0;
    auto start = Clock::now();
    const auto piano = synth::MeasureProgramTuning(soundFont, 0);
    const auto layout = synth::SoundFontLayout::Read(soundFont);
    auto synth = synth::FluidSynth::Open({.soundFonts = {soundFont}, .reverb = false});
    if (!piano || !layout || !synth) {
        std::fprintf(stderr, "bench_tuning: no General MIDI SoundFont\n");
        return 0;
    }
    Row("tuning: measuring program 0 (24 keys)", MillisecondsSince(start), "ms");
    synth::SampleRetuner retuner(*synth);
    start = Clock::now();
    retuner({{0, *piano}});
    Row("tuning: rewriting and reloading the SoundFont for program 0", MillisecondsSince(start), "ms");

    int corrected = 0;
    std::vector<double> measuring; // ms, per program
    for (int program = 0; program < 128; ++program) {
        start = Clock::now();
        const auto measured = synth::MeasureProgram(soundFont, program);
        measuring.push_back(MillisecondsSince(start));
        const synth::ProgramTuning& tuning = measured->tuning;
        corrected += tuning.corrected;
        const auto left = synth::RetuneSamples(*layout, {{program, tuning}}).left.at(program);
        std::string what = "tuning: program ";
        what.append(std::to_string(program))
            .append(", ")
            .append(Verdict(*measured))
            .append(": largest offset left");
        Row(what.c_str(), LargestLeft(tuning, left), "cents");
    }
    Row("tuning: programs corrected", corrected, "of 128");
    Row("tuning: measuring a program, median of 128", Median(measuring), "ms");
    std::vector<int> everyFourth;
    for (int program = 0; program < 128; program += 4)
        everyFourth.push_back(program);
    const BusyLoops busy;
    Row("tuning: measuring a program with two busy loops, median of 32",
        MedianMeasuringTime(soundFont, everyFourth), "ms");
}
