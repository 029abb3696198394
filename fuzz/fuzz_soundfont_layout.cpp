// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target of the SoundFont layout reader: any bytes read as a SoundFont, the samples of a few
// keys looked up and the headers rewritten. Run with -malloc_limit_mb (fuzz/CMakeLists.txt): the
// reader must never allocate more than the file holds, whatever size a chunk declares.
#include "synth/SoundFontLayout.h"

#include <cstdint>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// The bytes as a file of their own, in memory, with a name the reader can open.
class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size)
        : descriptor_(memfd_create("soundfont", MFD_CLOEXEC))
    {
        if (descriptor_ >= 0 && write(descriptor_, data, size) != ssize_t(size)) {
            close(descriptor_);
            descriptor_ = -1;
        }
    }
    ~MemoryFile()
    {
        if (descriptor_ >= 0)
            close(descriptor_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    bool ok() const { return descriptor_ >= 0; }
    std::string path() const { return "/proc/self/fd/" + std::to_string(descriptor_); }

private:
    int descriptor_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const MemoryFile file(data, size);
    if (!file.ok())
        return 0;
    const auto layout = synth::SoundFontLayout::Read(file.path());
    if (!layout)
        return 0;
    synth::SoundFontLayout::KeyRates rates;
    for (const int key : {0, 60, 127})
        for (const auto& [instrument, sample] : layout->playedBy(0, 0, key, 100))
            rates[{instrument, sample, key}] =
                layout->sampleRate(sample) + 1 + std::uint32_t(layout->sideOf(sample));
    if (const auto rewritten = layout->rewritten(rates)) {
        volatile std::size_t tail = rewritten->tail.size(); // kept: the rewrite must run to its end
        (void)tail;
    }
    return 0;
}
