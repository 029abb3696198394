// SPDX-License-Identifier: GPL-3.0-or-later
// Which samples a key of a preset sounds, read from a SoundFont's headers, and the headers rewritten
// so that chosen keys play a copy of their sample at a rate of their own. The SoundFont is built here.
#include "synth/SoundFontLayout.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>

namespace {

using Bytes = std::vector<unsigned char>;

// `value` little-endian in `bytes` bytes (zeros beyond its four).
void Put(Bytes& to, unsigned value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        to.push_back(i < 4 ? (value >> (8 * i)) & 0xFF : 0);
}

Bytes Chunk(const char* id, const Bytes& data)
{
    Bytes chunk(id, id + 4);
    Put(chunk, unsigned(data.size()), 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    return chunk;
}

// A RIFF or LIST chunk of `type` holding `chunks`.
Bytes Form(const char* id, const char* type, const std::vector<Bytes>& chunks)
{
    Bytes data(type, type + 4);
    for (const Bytes& chunk : chunks)
        data.insert(data.end(), chunk.begin(), chunk.end());
    return Chunk(id, data);
}

Bytes Name(const char* name, int size)
{
    Bytes bytes(size, 0);
    std::copy(name, name + std::strlen(name), bytes.begin());
    return bytes;
}

struct Generator {
    int kind, low, high; // high < 0: a 16-bit amount in low
};

// Zones given as generator lists, appended to the bag and generator chunks; `count` counts generators.
void Zones(const std::vector<std::vector<Generator>>& zones, Bytes& bags, Bytes& generators, unsigned& count)
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
Bytes TinySoundFont()
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

    for (const auto& [name, rate] : std::vector<std::pair<const char*, unsigned>>{
             {"S0", 44100}, {"S1", 22050}, {"S2", 32000}, {"EOS", 0}}) {
        const Bytes header = Name(name, 20);
        samples.insert(samples.end(), header.begin(), header.end());
        Put(samples, 0, 16), Put(samples, rate, 4), Put(samples, 60, 1), Put(samples, 0, 1),
            Put(samples, 0, 4);
    }
    return Form("RIFF", "sfbk",
                {Form("LIST", "INFO", {Chunk("ifil", {2, 0, 1, 0})}),
                 Form("LIST", "sdta", {Chunk("smpl", Bytes(64, 0))}),
                 Form("LIST", "pdta",
                      {Chunk("phdr", presets), Chunk("pbag", presetBags), Chunk("pmod", Bytes(10, 0)),
                       Chunk("pgen", presetGenerators), Chunk("inst", instruments), Chunk("ibag", bags),
                       Chunk("imod", Bytes(10, 0)), Chunk("igen", generators), Chunk("shdr", samples)})});
}

std::string Written(const QTemporaryDir& folder, const char* name, const Bytes& bytes)
{
    const std::string path = folder.filePath(name).toStdString();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

using Samples = std::vector<int>;

// The largest single allocation asked for since the last reset. Anything beyond kRefused is refused
// (std::bad_alloc) rather than made: a reader that believes a damaged size would otherwise take
// gigabytes of the machine before the test could tell.
constexpr std::size_t kRefused = std::size_t(1) << 20;
std::atomic<std::size_t> largestAllocation{0};

} // namespace

void* operator new(std::size_t size)
{
    std::size_t largest = largestAllocation.load();
    while (size > largest && !largestAllocation.compare_exchange_weak(largest, size)) {
    }
    void* memory = size <= kRefused ? std::malloc(size ? size : 1) : nullptr;
    if (!memory)
        throw std::bad_alloc();
    return memory;
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}

class TestSoundFontLayout : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;

private slots:
    void samplesOfAKey()
    {
        const auto layout = synth::SoundFontLayout::Read(Written(folder_, "tiny.sf2", TinySoundFont()));
        QVERIFY(layout);
        QCOMPARE(layout->samplesOf(0, 0, 50, 100), Samples{1});
        QCOMPARE(layout->samplesOf(0, 0, 62, 100), (Samples{0, 1}));
        QCOMPARE(layout->samplesOf(0, 0, 62, 30), (Samples{0, 2}));
        QCOMPARE(layout->samplesOf(0, 0, 73, 100), Samples{1}); // beyond the global zone's keys
        QCOMPARE(layout->samplesOf(0, 0, 30, 100), Samples{});
        QCOMPARE(layout->samplesOf(128, 0, 30, 10), Samples{2});
        QCOMPARE(layout->samplesOf(0, 1, 62, 100), Samples{});
        QCOMPARE(layout->sampleRate(1), 22050u);
        QVERIFY(!synth::SoundFontLayout::Read(Written(folder_, "none.sf2", Bytes(100, 'x'))));
    }

    // Keys 62 (sample 0) and 50 (sample 1) of instrument 0 get copies 3 and 4; every other key, and
    // instrument 1 playing sample 1, play as before.
    void keysRetunedAlone()
    {
        const Bytes original = TinySoundFont();
        const auto rewritten = synth::SoundFontLayout::Read(Written(folder_, "tiny.sf2", original))
                                   ->rewritten({{{0, 0, 62}, 44300}, {{0, 1, 50}, 22000}});
        QVERIFY(rewritten);
        Bytes file(original.begin(), original.begin() + std::ptrdiff_t(rewritten->kept));
        file.insert(file.end(), rewritten->tail.begin(), rewritten->tail.end());
        for (int i = 0; i < 4; ++i)
            file[4 + i] = (rewritten->riffSize >> (8 * i)) & 0xFF;
        QCOMPARE(rewritten->riffSize, std::uint32_t(file.size() - 8));

        const auto layout = synth::SoundFontLayout::Read(Written(folder_, "retuned.sf2", file));
        QVERIFY(layout);
        QCOMPARE(layout->samplesOf(0, 0, 62, 100), (Samples{3, 1}));
        QCOMPARE(layout->samplesOf(0, 0, 50, 100), Samples{4});
        QCOMPARE(layout->sampleRate(3), 44300u);
        QCOMPARE(layout->sampleRate(4), 22000u);
        for (const int key : {40, 49, 51, 59})
            QCOMPARE(layout->samplesOf(0, 0, key, 100), Samples{1});
        for (const int key : {60, 61, 63, 64})
            QCOMPARE(layout->samplesOf(0, 0, key, 100), (Samples{0, 1}));
        QCOMPARE(layout->samplesOf(0, 0, 30, 100), Samples{}); // the global zone's keys still hold
        QCOMPARE(layout->samplesOf(0, 0, 62, 30), (Samples{3, 2}));
        QCOMPARE(layout->samplesOf(128, 0, 50, 100), Samples{1});
    }

    // A chunk may declare any size; the reader cuts it to its parent and the file. Every four bytes
    // of the file in turn claim nearly 2 GB.
    void damagedSizesNeverAllocateBeyondTheFile()
    {
        const Bytes original = TinySoundFont();
        for (std::size_t at = 0; at + 4 <= original.size(); ++at) {
            Bytes damaged = original;
            std::fill_n(damaged.begin() + std::ptrdiff_t(at), 4, 0xFF);
            damaged[at + 3] = 0x7F;
            const std::string path = Written(folder_, "damaged.sf2", damaged);
            largestAllocation = 0;
            try {
                if (const auto layout = synth::SoundFontLayout::Read(path))
                    (void)layout->rewritten({{{0, 0, 62}, 44300}});
            } catch (const std::bad_alloc&) {
            }
            // The file stream's own buffer (8 kB) is the largest thing a file this small needs.
            QVERIFY2(
                largestAllocation <= 16 * 1024,
                qPrintable(QStringLiteral("bytes %1: %2 bytes asked for").arg(at).arg(largestAllocation)));
        }
    }
};

QTEST_GUILESS_MAIN(TestSoundFontLayout)
#include "test_soundfont_layout.moc"
