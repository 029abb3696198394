// SPDX-License-Identifier: GPL-3.0-or-later
// A small SoundFont built byte by byte, for the suites that read or load one.
#pragma once

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace testing {

using Bytes = std::vector<unsigned char>;

// `value` little-endian in `bytes` bytes (zeros beyond its four).
inline void Put(Bytes& to, unsigned value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        to.push_back(i < 4 ? (value >> (8 * i)) & 0xFF : 0);
}

inline Bytes Chunk(const char* id, const Bytes& data)
{
    Bytes chunk(id, id + 4);
    Put(chunk, unsigned(data.size()), 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    return chunk;
}

// A RIFF or LIST chunk of `type` holding `chunks`.
inline Bytes Form(const char* id, const char* type, const std::vector<Bytes>& chunks)
{
    Bytes data(type, type + 4);
    for (const Bytes& chunk : chunks)
        data.insert(data.end(), chunk.begin(), chunk.end());
    return Chunk(id, data);
}

inline Bytes Name(const char* name, int size)
{
    Bytes bytes(size, 0);
    std::copy(name, name + std::strlen(name), bytes.begin());
    return bytes;
}

struct Generator {
    int kind, low, high; // high < 0: a 16-bit amount in low
};

// Zones given as generator lists, appended to the bag and generator chunks; `count` counts generators.
inline void Zones(const std::vector<std::vector<Generator>>& zones, Bytes& bags, Bytes& generators,
                  unsigned& count)
{
    for (const auto& zone : zones) {
        Put(bags, count, 2);
        Put(bags, 0, 2);
        for (const Generator& g : zone) {
            Put(generators, g.kind, 2);
            if (g.high < 0)
                Put(generators, g.low, 2);
            else
                Put(generators, g.low, 1), Put(generators, g.high, 1);
            ++count;
        }
    }
}

// Samples 0 (44100 Hz), 1 (22050 Hz), 2 (32000 Hz). Instrument 0: a global zone over keys 60 ... 72
// playing sample 0, and sample 1 on keys 40 ... 59. Instrument 1: sample 2 below velocity 64,
// sample 1 from 64. Preset 0 of bank 0: instrument 0 on keys 0 ... 64, instrument 1 on 60 ... 127.
// Preset 0 of bank 128: instrument 1.
// Samples in `pastTheData` end beyond the sample data, as in a damaged file.
inline Bytes TinySoundFont(const std::vector<int>& pastTheData = {})
{
    constexpr int kKeys = 43, kVelocities = 44, kInstrument = 41, kSample = 53, kPan = 17;
    Bytes presetBags, presetGenerators, bags, generators, presets, instruments, samples;
    unsigned count = 0;
    const auto preset = [&](const char* name, int bank, unsigned bag) {
        const Bytes header = Name(name, 20);
        presets.insert(presets.end(), header.begin(), header.end());
        Put(presets, 0, 2), Put(presets, bank, 2), Put(presets, bag, 2), Put(presets, 0, 12);
    };
    preset("Piano", 0, 0);
    preset("Drums", 128, 2);
    preset("EOP", 0, 3);
    Zones({{{kKeys, 0, 64}, {kInstrument, 0, -1}},
           {{kKeys, 60, 127}, {kInstrument, 1, -1}},
           {{kInstrument, 1, -1}}},
          presetBags, presetGenerators, count);
    Put(presetBags, count, 2), Put(presetBags, 0, 2);
    Put(presetGenerators, 0, 4);

    count = 0;
    const auto instrument = [&](const char* name, unsigned bag) {
        const Bytes header = Name(name, 20);
        instruments.insert(instruments.end(), header.begin(), header.end());
        Put(instruments, bag, 2);
    };
    instrument("Strings", 0);
    instrument("Layers", 3);
    instrument("EOI", 5);
    Zones({{{kKeys, 60, 72}, {kPan, 100, -1}},
           {{kSample, 0, -1}},
           {{kKeys, 40, 59}, {kSample, 1, -1}},
           {{kVelocities, 0, 63}, {kSample, 2, -1}},
           {{kVelocities, 64, 127}, {kSample, 1, -1}}},
          bags, generators, count);
    Put(bags, count, 2), Put(bags, 0, 2);
    Put(generators, 0, 4);

    // Eight words of data each; a sample listed in `pastTheData` ends 1000 words beyond the chunk.
    constexpr unsigned kDataWords = 32;
    const std::pair<const char*, unsigned> named[] = {{"S0", 44100}, {"S1", 22050}, {"S2", 32000}};
    for (int i = 0; i < 3; ++i) {
        const Bytes header = Name(named[i].first, 20);
        samples.insert(samples.end(), header.begin(), header.end());
        const unsigned start = 8 * unsigned(i),
                       end = std::ranges::count(pastTheData, i) ? kDataWords + 1000 : start + 8;
        Put(samples, start, 4), Put(samples, end, 4), Put(samples, start + 1, 4), Put(samples, end - 1, 4);
        Put(samples, named[i].second, 4), Put(samples, 60, 1), Put(samples, 0, 1), Put(samples, 0, 2),
            Put(samples, 1, 2); // mono
    }
    const Bytes terminal = Name("EOS", 20);
    samples.insert(samples.end(), terminal.begin(), terminal.end());
    Put(samples, 0, 26);
    return Form("RIFF", "sfbk",
                {Form("LIST", "INFO", {Chunk("ifil", {2, 0, 1, 0})}),
                 Form("LIST", "sdta", {Chunk("smpl", Bytes(2 * kDataWords, 0))}),
                 Form("LIST", "pdta",
                      {Chunk("phdr", presets), Chunk("pbag", presetBags), Chunk("pmod", Bytes(10, 0)),
                       Chunk("pgen", presetGenerators), Chunk("inst", instruments), Chunk("ibag", bags),
                       Chunk("imod", Bytes(10, 0)), Chunk("igen", generators), Chunk("shdr", samples)})});
}

} // namespace testing
