// SPDX-License-Identifier: GPL-3.0-or-later
// The measured partials of the SoundFont's presets: how long measuring one program's partials takes
// (the piano, and the median of a few others). `bench_partials readings PROGRAM` prints instead what
// each key's partials said (cents above n times the fundamental, share of the power, the estimators'
// parting in hertz and the phase's wobble in radians, the envelope's deepest dip in dB, clean or not), the
// figures the thresholds in MeasuredPartials.cpp were chosen from. Tab-separated rows: what, value, unit.
#include "Rows.h"
#include "synth/BuiltinSynthDevice.h"
#include "synth/MeasuredPartials.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using bench::Clock;
using bench::MillisecondsSince;
using bench::Row;

namespace {

const std::string kSoundFont = synth::BuiltinSynthOptions{}.soundFonts.front();

void PrintReadings(int program)
{
    std::array<synth::KeyReadings, synth::ProgramTuning::kKeys> readings;
    if (!synth::MeasureProgramPartials(kSoundFont, program, {}, &readings))
        return;
    std::printf("key\tpartial\tcents\tshare\tparting Hz\twobble rad\tdip dB\tclean\n");
    for (int key = synth::ProgramTuning::kLowestKey; key <= synth::ProgramTuning::kHighestKey; ++key)
        for (std::size_t n = 0; n < output::kKnownPartials; ++n) {
            const synth::PartialReading& r = readings[std::size_t(key - synth::ProgramTuning::kLowestKey)][n];
            std::printf("%d\t%zu\t%.3f\t%.2g\t%.4f\t%.4f\t%.2f\t%s\n", key, n + 1, r.cents, r.share,
                        r.disagreement, r.wobble, r.dip, r.clean ? "yes" : "no");
        }
}

double MeasuringMilliseconds(int program)
{
    const auto start = Clock::now();
    synth::MeasureProgramPartials(kSoundFont, program);
    return MillisecondsSince(start);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && std::string(argv[1]) == "readings") {
        PrintReadings(std::stoi(argv[2]));
        return 0;
    }
    Row("partials: measuring the piano (program 0)", MeasuringMilliseconds(0), "ms");
    std::vector<double> others;
    for (const int program : {4, 19, 24, 40, 56, 73})
        others.push_back(MeasuringMilliseconds(program));
    std::nth_element(others.begin(), others.begin() + std::ptrdiff_t(others.size() / 2), others.end());
    Row("partials: measuring a program, median of six", others[others.size() / 2], "ms");
    return 0;
}
