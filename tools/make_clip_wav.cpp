// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the title clip: a struck tuning fork at A 440 Hz, 4 s of 16-bit mono PCM at 22 050 Hz.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <vector>

namespace {

constexpr int kSampleRate = 22050;
constexpr int kSampleCount = 4 * kSampleRate;
constexpr double kFork = 440.0;
constexpr double kPeak = 0.5; // -6 dBFS

// One partial of the fork: a sine at a multiple of A that dies away exponentially.
struct Partial {
    double ratio;
    double level;
    double decaySeconds;
};

// The fundamental rings on; the clang partials of the strike (near 2.6 and 6.3 times the
// fundamental on a real fork) are faint and gone within a fraction of a second.
constexpr Partial kPartials[] = {
    {1.0, 1.0, 0.95},
    {2.6, 0.16, 0.09},
    {6.3, 0.07, 0.035},
};

constexpr double kAttackSeconds = 0.004;
constexpr double kFadeSeconds = 0.6;
constexpr double kKnockSeconds = 0.003;
constexpr double kKnockLevel = 0.05;

// A raised-cosine ramp from 0 to 1 over [0, length]: no step, so no click.
double SmoothRamp(double t, double length)
{
    if (t >= length)
        return 1.0;
    return 0.5 - 0.5 * std::cos(std::numbers::pi * t / length);
}

// The knock of the mallet: a few milliseconds of noise from a fixed seed, so the file is reproducible.
class Knock {
public:
    double next(double t)
    {
        state_ = state_ * 1664525u + 1013904223u;
        const double white = double(state_ >> 8) / double(1u << 24) * 2.0 - 1.0;
        return kKnockLevel * white * std::exp(-t / kKnockSeconds);
    }

private:
    std::uint32_t state_ = 0x5eed1234u;
};

std::vector<double> StrikeFork()
{
    std::vector<double> wave(kSampleCount);
    const double length = double(kSampleCount) / kSampleRate;
    Knock knock;
    for (int i = 0; i < kSampleCount; ++i) {
        const double t = double(i) / kSampleRate;
        double value = knock.next(t);
        for (const Partial& partial : kPartials)
            value += partial.level * std::exp(-t / partial.decaySeconds) *
                     std::sin(2.0 * std::numbers::pi * kFork * partial.ratio * t);
        wave[i] = value * SmoothRamp(t, kAttackSeconds) * SmoothRamp(length - t, kFadeSeconds);
    }
    return wave;
}

std::vector<std::int16_t> ToPcm16(const std::vector<double>& wave)
{
    double loudest = 0.0;
    for (double value : wave)
        loudest = std::max(loudest, std::abs(value));
    const double gain = loudest > 0.0 ? kPeak * 32767.0 / loudest : 0.0;
    std::vector<std::int16_t> pcm(wave.size());
    std::transform(wave.begin(), wave.end(), pcm.begin(),
                   [gain](double value) { return std::int16_t(std::lround(value * gain)); });
    return pcm;
}

void PutLittleEndian(std::vector<char>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(char((value >> (8 * i)) & 0xFF));
}

void PutTag(std::vector<char>& out, const char (&tag)[5])
{
    out.insert(out.end(), tag, tag + 4);
}

// The canonical 44-byte header of a PCM wave file followed by its samples.
std::vector<char> WaveFile(const std::vector<std::int16_t>& pcm)
{
    constexpr int channels = 1;
    constexpr int bytesPerSample = 2;
    const auto dataBytes = std::uint32_t(pcm.size() * bytesPerSample);
    std::vector<char> out;
    PutTag(out, "RIFF");
    PutLittleEndian(out, 36 + dataBytes, 4);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutLittleEndian(out, 16, 4);
    PutLittleEndian(out, 1, 2); // PCM
    PutLittleEndian(out, channels, 2);
    PutLittleEndian(out, kSampleRate, 4);
    PutLittleEndian(out, kSampleRate * channels * bytesPerSample, 4);
    PutLittleEndian(out, channels * bytesPerSample, 2);
    PutLittleEndian(out, 8 * bytesPerSample, 2);
    PutTag(out, "data");
    PutLittleEndian(out, dataBytes, 4);
    for (std::int16_t sample : pcm)
        PutLittleEndian(out, std::uint16_t(sample), 2);
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.wav\n", argv[0]);
        return 2;
    }
    const std::vector<char> file = WaveFile(ToPcm16(StrikeFork()));
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(file.data(), std::streamsize(file.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: could not write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
