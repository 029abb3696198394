// SPDX-License-Identifier: GPL-3.0-or-later
// What the player hears from the built-in synthesizer, taken off the JACK server it plays through
// (bench/listen.sh runs it beside the real program).
//   bench_listen record <port pattern> <file>
//     A JACK client of its own (velmora-listen-capture) with its one input connected to every audio
//     output port matching the pattern (a regular expression, as jack_get_ports takes it; JACK sums
//     what several give); prints "ready <sample rate>" on stderr once
//     connected and writes what it hears, float samples as they come, to the file until SIGTERM;
//     where the server reported xruns goes to <file>.xruns.
//   bench_listen measure <file> <sample rate> <detune of C,C#,...,B in cents> <note>...
//     Finds the notes in the recording (one onset each, in order; a note is a key 53 ... 76 of
//     channel 1, or "ref": the reference A on channel 2) and prints rows (what, value, unit): each
//     fundamental's distance from equal temperament (A4 = 440 Hz) plus its class's detune, and the
//     largest of them, and how many notes an xrun may have disturbed. Estimated by the strongest
//     spectral peak (tests/synth/PitchMeter), which shares nothing with the program's estimators,
//     over 0.25 ... 0.95 s after the onset, the window the calibrator measures the SoundFont with.
#include "HeardNote.h"
#include "JackRecording.h"
#include "Rows.h"
#include "synth/ProgramTuning.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

// ---- Measuring ---------------------------------------------------------------------------------

struct Note {
    std::string name;
    int key;
    bool reference; // the reference A on channel 2, never detuned
};

std::optional<Note> ParseNote(const std::string& text)
{
    static const char* const kNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    if (text == "ref")
        return Note{"reference A", 69, true};
    const int key = std::atoi(text.c_str());
    if (key < synth::ProgramTuning::kLowestKey || key > synth::ProgramTuning::kHighestKey)
        return std::nullopt;
    return Note{kNames[key % 12] + std::to_string(key / 12 - 1), key, false};
}

std::optional<std::vector<int>> ParseDetune(const std::string& text)
{
    std::vector<int> detune;
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, ',');)
        detune.push_back(std::atoi(item.c_str()));
    if (detune.size() != 12)
        return std::nullopt;
    return detune;
}

int Measure(const std::string& path, double sampleRate, const std::vector<int>& detune,
            const std::vector<Note>& notes)
{
    const std::vector<float> samples = jackhelper::ReadSamples(path);
    const std::vector<std::size_t> onsets = jackhelper::Onsets(samples, sampleRate);
    if (onsets.size() != notes.size()) {
        std::fprintf(stderr, "bench_listen: heard %zu notes, played %zu\n", onsets.size(), notes.size());
        bench::Row("heard through JACK: notes found in the recording", double(onsets.size()), "notes");
        return 0; // a benchmark reports, it does not fail
    }
    const std::vector<std::size_t> xruns = jackhelper::ReadXRuns(path);
    double worst = 0;
    int disturbed = 0;
    for (std::size_t n = 0; n < notes.size(); ++n) {
        const Note& note = notes[n];
        const int cents = note.reference ? 0 : detune[std::size_t(note.key % 12)];
        const double error =
            jackhelper::CentsOff(samples, sampleRate, onsets[n],
                                 jackhelper::EqualTemperedHz(note.key) * std::exp2(cents / 1200.0))
                .value_or(NAN); // the recording ended too early
        const std::string what = "heard through JACK: " + note.name + " against ET " +
                                 (cents < 0 ? "" : "+") + std::to_string(cents) + " cents";
        bench::Row(what.c_str(), error, "cents");
        if (!note.reference)
            worst = std::isnan(worst) || std::isnan(error) ? NAN : std::max(worst, std::abs(error));
        disturbed += jackhelper::DisturbedByXRun(xruns, sampleRate, onsets[n]);
    }
    bench::Row("heard through JACK: largest error of the detuned keys", worst, "cents");
    bench::Row("heard through JACK: notes an xrun may have disturbed", disturbed, "notes");
    return 0;
}

int Usage()
{
    std::fprintf(stderr, "usage: bench_listen record <port pattern> <file>\n"
                         "       bench_listen measure <file> <sample rate> <detune C,...,B> <note>...\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "record")
        return jackhelper::Record("velmora-listen-capture", args[1], args[2]);
    if (args.size() < 5 || args[0] != "measure")
        return Usage();
    const auto detune = ParseDetune(args[3]);
    std::vector<Note> notes;
    for (std::size_t i = 4; i < args.size(); ++i) {
        const auto note = ParseNote(args[i]);
        if (!note)
            return Usage();
        notes.push_back(*note);
    }
    if (!detune)
        return Usage();
    return Measure(args[1], std::atof(args[2].c_str()), *detune, notes);
}
