// The SoundFont's own tuning: how long measuring the piano takes, and for each of the 128 programs
// whether it is corrected and the largest offset from equal temperament left on the game's keys
// (corrected presets: what whole-cent correction leaves). Tab-separated rows: what, value, unit.
#include "Rows.h"
#include "synth/BuiltinSynthDevice.h"
#include "synth/ProgramTuning.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

using bench::Row;

namespace {

using Clock = std::chrono::steady_clock;

double LargestLeft(const synth::ProgramTuning& tuning)
{
    double largest = 0;
    for (const double cents : tuning.offsets)
        largest = std::max(largest, std::abs(tuning.corrected ? cents - std::round(cents) : cents));
    return largest;
}

} // namespace

int main()
{
    const std::string soundFont = synth::BuiltinSynthOptions{}.soundFonts.front();
    const auto start = Clock::now();
    const auto piano = synth::MeasureProgramTuning(soundFont, 0);
    if (!piano) {
        std::fprintf(stderr, "bench_tuning: no General MIDI SoundFont\n");
        return 0;
    }
    Row("tuning: measuring program 0 (24 keys)",
        std::chrono::duration<double, std::milli>(Clock::now() - start).count(), "ms");
    int corrected = 0;
    for (int program = 0; program < 128; ++program) {
        const auto tuning = program == 0 ? piano : synth::MeasureProgramTuning(soundFont, program);
        corrected += tuning->corrected;
        const std::string what = "tuning: program " + std::to_string(program) +
                                 (tuning->corrected ? ", corrected" : ", left alone") + ": largest offset left";
        Row(what.c_str(), LargestLeft(*tuning), "cents");
    }
    Row("tuning: programs corrected", corrected, "of 128");
}
