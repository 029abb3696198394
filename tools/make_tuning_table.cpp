// SPDX-License-Identifier: GPL-3.0-or-later
// Measures every program of bank 0 of a SoundFont with the program's own measurement and writes the
// table of corrections that is shipped with it (tools/remake_tuning_table.sh runs it).
// Usage: make_tuning_table <output.json> [SoundFont]    (default: Debian's FluidR3_GM)
#include "synth/BuiltinSynthDevice.h"
#include "synth/TuningTable.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kPrograms = 128;

// Each program in a synthesizer of its own, on every core: the measurement is the same whichever
// thread makes it.
std::optional<std::map<int, synth::ProgramTuning>> MeasureAll(const std::string& soundFont)
{
    std::map<int, synth::ProgramTuning> measured;
    std::mutex lock;
    std::atomic<int> next = 0;
    std::atomic<bool> failed = false;
    const auto measureNext = [&] {
        for (int program = next++; program < kPrograms && !failed; program = next++) {
            const auto tuning = synth::MeasureProgramTuning(soundFont, program);
            const std::lock_guard locked(lock);
            failed = failed || !tuning;
            if (tuning)
                measured[program] = *tuning;
            std::fprintf(stderr, "\rmeasured %zu of %d programs", measured.size(), kPrograms);
        }
    };
    std::vector<std::jthread> workers;
    for (unsigned i = 0; i < std::max(1u, std::thread::hardware_concurrency()); ++i)
        workers.emplace_back(measureNext);
    workers.clear(); // joins
    std::fprintf(stderr, "\n");
    return failed ? std::nullopt : std::optional(measured);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_tuning_table <output.json> [SoundFont]\n");
        return 2;
    }
    const std::string soundFont = argc == 3 ? argv[2] : synth::BuiltinSynthOptions{}.soundFonts.front();
    const auto hash = synth::ContentHash(soundFont);
    const auto measured = hash ? MeasureAll(soundFont) : std::nullopt;
    if (!measured) {
        std::fprintf(stderr, "make_tuning_table: %s cannot be read as a SoundFont\n", soundFont.c_str());
        return 1;
    }
    const QFileInfo file(QString::fromStdString(soundFont));
    const synth::TuningTable table{
        .soundFont = file.fileName(), .size = file.size(), .contentHash = *hash, .programs = *measured};
    QFile output(QString::fromLocal8Bit(argv[1]));
    if (!output.open(QIODevice::WriteOnly) || output.write(table.written()) < 0) {
        std::fprintf(stderr, "make_tuning_table: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
