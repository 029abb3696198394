// SPDX-License-Identifier: GPL-3.0-or-later
// Which samples a key of a preset sounds, read from a SoundFont's headers, and the headers rewritten
// so that chosen keys play a copy of their sample at a rate of their own. The SoundFont is built here.
#include "TinySoundFont.h"
#include "synth/SoundFontLayout.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>

namespace {

using testing::Bytes;
using testing::TinySoundFont;

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

    // A sample header ending beyond the sample data (a damaged file) is found; one within it is not.
    void samplesPastTheDataAreFound()
    {
        const auto whole = synth::SoundFontLayout::Read(Written(folder_, "tiny.sf2", TinySoundFont()));
        QVERIFY(whole);
        QCOMPARE(whole->samplesPastTheData(), Samples{});
        const auto damaged =
            synth::SoundFontLayout::Read(Written(folder_, "past.sf2", TinySoundFont({0, 2})));
        QVERIFY(damaged);
        QCOMPARE(damaged->samplesPastTheData(), (Samples{0, 2}));
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
