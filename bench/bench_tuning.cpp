// SPDX-License-Identifier: GPL-3.0-or-later
// The SoundFont's own tuning: how long measuring the piano (and, median, any program) takes and how
// long putting its correction into the SoundFont (rewriting the headers and loading them again)
// takes, and for each of the 128 programs whether it is corrected and the largest offset from equal
// temperament that the correction leaves on the game's keys, on either output, by its own arithmetic
// (sample rates are whole hertz); and how long after the synthesizer opens the piano's correction is
// in at a first start (an empty cache: FluidR3_GM is hashed and found in the shipped table) and at a
// later one (the hash remembered). Tab-separated rows: what, value, unit.
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
#include <vector>

using bench::Clock;
using bench::MillisecondsSince;
using bench::Row;

namespace {

// Of either output: what the rates leave of a corrected preset, the offset itself of one left alone.
double LargestLeft(const synth::ProgramTuning& measured, const synth::ProgramTuning& left)
{
    const synth::ProgramTuning& heard = measured.corrected ? left : measured;
    double largest = 0;
    for (std::size_t i = 0; i < heard.offsets.size(); ++i)
        largest = std::max({largest, std::abs(heard.leftOffsets[i]), std::abs(heard.rightOffsets[i])});
    return largest;
}

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
        const auto tuning = program == 0 ? piano : synth::MeasureProgramTuning(soundFont, program);
        if (program > 0)
            measuring.push_back(MillisecondsSince(start));
        corrected += tuning->corrected;
        const auto left = synth::RetuneSamples(*layout, {{program, *tuning}}).left.at(program);
        const std::string what = "tuning: program " + std::to_string(program) +
                                 (tuning->corrected ? ", corrected" : ", left alone") +
                                 ": largest offset left";
        Row(what.c_str(), LargestLeft(*tuning, left), "cents");
    }
    Row("tuning: programs corrected", corrected, "of 128");
    std::nth_element(measuring.begin(), measuring.begin() + std::ptrdiff_t(measuring.size() / 2),
                     measuring.end());
    Row("tuning: measuring a program, median of programs 1 ... 127", measuring[measuring.size() / 2], "ms");
}
