// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers of the built-in synthesizer: opening time and memory, note-on to first sound, rendering
// speed, retuning cost. Prints tab-separated rows: what, value, unit.
#include "Rows.h"
#include "midi/Midi.h"
#include "synth/BuiltinSynthDevice.h"
#include "synth/GsSynthPort.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using bench::Clock;
using bench::MillisecondsSince;
using bench::ResidentMegabytes;
using bench::Row;

namespace {

constexpr int kBlockFrames = 64; // FluidSynth renders and takes events in blocks of this many frames
constexpr int kPiano = 0;

std::unique_ptr<synth::GsSynthPort> OpenOffline(bool reverb)
{
    auto synth =
        synth::FluidSynth::Open({.soundFonts = synth::BuiltinSynthOptions{}.soundFonts, .reverb = reverb});
    return synth ? std::make_unique<synth::GsSynthPort>(std::move(synth)) : nullptr;
}

// Frames from a note-on to the first non-zero sample, the note-on arriving `offset` frames into
// one of FluidSynth's blocks.
int FramesToFirstSound(synth::GsSynthPort& port, int offset)
{
    std::vector<float> left(4096), right(4096);
    port.synth().render(left.data(), right.data(), kBlockFrames + offset);
    port.sendShort(midi::ShortMessageOf(0x90, 60, 100));
    port.synth().render(left.data(), right.data(), int(left.size()));
    port.sendShort(midi::ShortMessageOf(0xB0, 120));
    int first = int(left.size());
    for (int i = 0; i < int(left.size()); ++i)
        if (left[i] != 0 || right[i] != 0) {
            first = i;
            break;
        }
    port.synth().render(left.data(), right.data(), int(left.size())); // the voice goes
    return first;
}

void OpeningRows()
{
    const double bare = ResidentMegabytes();
    auto port = OpenOffline(true);
    if (!port) {
        std::fprintf(stderr, "bench_synth: no General MIDI SoundFont\n");
        return;
    }
    Row("synth: resident memory with the synthesizer open", ResidentMegabytes(), "MB");
    Row("synth: of which the synthesizer", ResidentMegabytes() - bare, "MB");
    port.reset();
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        OpenOffline(true);
        times.push_back(MillisecondsSince(start));
    }
    std::sort(times.begin(), times.end());
    Row("synth: open (SoundFont load), median of 5", times[2], "ms");
}

void LatencyRows()
{
    auto port = OpenOffline(false); // a reverb tail of the previous note would count as sound
    port->sendShort(midi::ShortMessageOf(0xC0, kPiano));
    FramesToFirstSound(*port, 0); // the first note of a voice starts a hair differently
    double sum = 0;
    int worst = 0;
    for (int offset = 0; offset < kBlockFrames; ++offset) {
        const int frames = FramesToFirstSound(*port, offset);
        sum += frames;
        worst = std::max(worst, frames);
    }
    const double rate = port->synth().sampleRate();
    Row("synth: note-on to first sound, offline, mean", sum / kBlockFrames, "samples");
    Row("synth: note-on to first sound, offline, worst", worst, "samples");
    Row("synth: note-on to first sound, offline, worst", worst * 1000 / rate, "ms");
    Row("synth: audio buffer (4 periods of 64 frames)", 4 * 64 * 1000 / rate, "ms");
}

// Ten voices (a five-note piano chord, two samples each) with reverb, as in live play.
void RenderingRows()
{
    auto port = OpenOffline(true);
    port->sendShort(midi::ShortMessageOf(0xB0, 64, 127));
    for (int key : {60, 64, 67, 70, 72})
        port->sendShort(midi::ShortMessageOf(0x90, key, 100));
    const double rate = port->synth().sampleRate();
    const int seconds = 20;
    std::vector<float> left(1024), right(1024);
    const auto start = Clock::now();
    for (int frames = 0; frames < seconds * rate; frames += int(left.size()))
        port->synth().render(left.data(), right.data(), int(left.size()));
    Row("synth: real-time factor, 10 voices with reverb", seconds * 1000 / MillisecondsSince(start), "x");

    const auto tuningStart = Clock::now();
    const int messages = 1000;
    for (int i = 0; i < messages; ++i) {
        const std::uint8_t data = std::uint8_t(0x20 + i % 64);
        const std::uint8_t checksum = std::uint8_t((128 - (0x40 + 0x11 + 0x40 + data) % 128) % 128);
        const std::uint8_t message[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x11, 0x40, data, checksum, 0xF7};
        port->sendSysex(message);
    }
    Row("synth: GS scale-tuning message (all keys of a channel retuned)",
        MillisecondsSince(tuningStart) * 1000 / messages, "us");
}

double PeakDecibels(synth::GsSynthPort& port, std::initializer_list<int> keys)
{
    port.sendShort(midi::ShortMessageOf(0xC0, kPiano));
    for (int key : keys)
        port.sendShort(midi::ShortMessageOf(0x90, key, 100));
    std::vector<float> left(int(port.synth().sampleRate())), right(left.size());
    port.synth().render(left.data(), right.data(), int(left.size()));
    float peak = 0;
    for (std::size_t i = 0; i < left.size(); ++i)
        peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
    port.sendShort(midi::ShortMessageOf(0xB0, 120));
    return 20 * std::log10(peak);
}

// Piano at velocity 100 with reverb, the loudest second.
void LevelRows()
{
    auto port = OpenOffline(true);
    Row("synth: peak level, one piano note", PeakDecibels(*port, {69}), "dBFS");
    Row("synth: peak level, ten piano notes", PeakDecibels(*port, {53, 57, 60, 62, 64, 65, 67, 69, 72, 76}),
        "dBFS");
}

// Until the tuning piano's `program` has its samples, polled: the maker runs on its own thread.
double MillisecondsUntilReady(synth::GsSynthPort& port, int program, Clock::time_point start)
{
    while (!port.synth().tuningPiano()->ready(program))
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    return MillisecondsSince(start);
}

void ChooseTuningPiano(synth::GsSynthPort& port, int program)
{
    port.sendShort(midi::ShortMessageOf(0xB0, midi::kBankSelect, midi::kOwnBank));
    port.sendShort(midi::ShortMessageOf(0xC0, std::uint8_t(program)));
}

// The tuning piano's samples: made at open (the harmonic one) or when first chosen (the stiff one),
// and the memory they take.
void TuningPianoRows()
{
    std::vector<double> harmonic, stiff;
    double megabytes = 0;
    for (int run = 0; run < 5; ++run) {
        const double bare = ResidentMegabytes();
        const auto start = Clock::now();
        auto port = OpenOffline(false);
        harmonic.push_back(MillisecondsUntilReady(*port, midi::kTuningPianoProgram, start));
        const double withHarmonic = ResidentMegabytes();
        const auto chosen = Clock::now();
        ChooseTuningPiano(*port, midi::kStiffTuningPianoProgram);
        stiff.push_back(MillisecondsUntilReady(*port, midi::kStiffTuningPianoProgram, chosen));
        if (run == 0) {
            Row("synth: tuning piano, memory with the harmonic strings (open included)", withHarmonic - bare,
                "MB");
            megabytes = ResidentMegabytes() - withHarmonic;
        }
    }
    std::sort(harmonic.begin(), harmonic.end());
    std::sort(stiff.begin(), stiff.end());
    Row("synth: tuning piano, open until the harmonic strings are made, median of 5", harmonic[2], "ms");
    Row("synth: tuning piano, stiff strings made after first chosen, median of 5", stiff[2], "ms");
    Row("synth: tuning piano, memory of the stiff strings", megabytes, "MB");
}

// Processor time per audio period of 64 frames for a held ten-note chord, dry.
double MicrosecondsPerPeriod(synth::GsSynthPort& port)
{
    for (int key : {53, 57, 60, 62, 64, 65, 67, 69, 72, 76})
        port.sendShort(midi::ShortMessageOf(0x90, std::uint8_t(key), 100));
    std::vector<float> left(kBlockFrames), right(kBlockFrames);
    const int periods = int(5 * port.synth().sampleRate()) / kBlockFrames; // the chord's first 5 s
    const double start = bench::CpuSeconds();
    for (int period = 0; period < periods; ++period)
        port.synth().render(left.data(), right.data(), kBlockFrames);
    const double microseconds = (bench::CpuSeconds() - start) * 1e6 / periods;
    port.sendShort(midi::ShortMessageOf(0xB0, midi::kAllSoundOff));
    return microseconds;
}

void ChordRows()
{
    auto port = OpenOffline(false);
    port->sendShort(midi::ShortMessageOf(0xC0, kPiano));
    Row("synth: ten-note chord, sampled piano, CPU per 64-frame period", MicrosecondsPerPeriod(*port), "us");
    ChooseTuningPiano(*port, midi::kTuningPianoProgram);
    MillisecondsUntilReady(*port, midi::kTuningPianoProgram, Clock::now());
    Row("synth: ten-note chord, tuning piano, CPU per 64-frame period", MicrosecondsPerPeriod(*port), "us");
}

} // namespace

int main()
{
    OpeningRows();
    LatencyRows();
    RenderingRows();
    LevelRows();
    TuningPianoRows();
    ChordRows();
}
