// SPDX-License-Identifier: GPL-3.0-or-later
// The loader's file callbacks: a position in the virtual file, read from the real file below the kept
// length and from the replacement above it.
#include "synth/RewrittenSoundFont.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

namespace synth {
namespace {

thread_local const RewrittenSoundFont* rewrittenOnThisThread = nullptr;
constexpr std::uint64_t kRiffSizeAt = 4;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct OpenFile {
    std::unique_ptr<std::FILE, FileCloser> file;
    std::optional<RewrittenSoundFont> rewritten;
    std::uint64_t size = 0;
    std::uint64_t position = 0;     // in the file FluidSynth reads
    std::uint64_t filePosition = 0; // in the file on disk; seeking only when elsewhere keeps stdio's buffer
};

OpenFile& Opened(void* handle)
{
    return *static_cast<OpenFile*>(handle);
}

void* Open(const char* path)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0)
        return nullptr;
    const long size = std::ftell(file.get());
    if (size < 0)
        return nullptr;
    auto opened = std::make_unique<OpenFile>(
        OpenFile{std::move(file), std::nullopt, std::uint64_t(size), 0, std::uint64_t(size)}); // at the end
    if (rewrittenOnThisThread && rewrittenOnThisThread->kept <= opened->size) {
        opened->rewritten = *rewrittenOnThisThread;
        opened->size = opened->rewritten->kept + opened->rewritten->tail.size();
    }
    return opened.release();
}

int Read(void* buffer, fluid_long_long_t count, void* handle)
{
    OpenFile& opened = Opened(handle);
    if (count < 0 || opened.position + std::uint64_t(count) > opened.size)
        return FLUID_FAILED;
    auto* bytes = static_cast<unsigned char*>(buffer);
    const std::uint64_t start = opened.position, end = start + std::uint64_t(count);
    const std::uint64_t kept = opened.rewritten ? opened.rewritten->kept : opened.size;
    if (start < kept) {
        const std::size_t fromFile = std::size_t(std::min(end, kept) - start);
        if (start != opened.filePosition && std::fseek(opened.file.get(), long(start), SEEK_SET) != 0)
            return FLUID_FAILED;
        opened.filePosition = start + std::fread(bytes, 1, fromFile, opened.file.get());
        if (opened.filePosition != start + fromFile)
            return FLUID_FAILED;
    }
    if (opened.rewritten) {
        const auto& tail = opened.rewritten->tail;
        for (std::uint64_t at = std::max(start, kept); at < end; ++at)
            bytes[at - start] = tail[at - kept];
        for (std::uint64_t at = std::max(start, kRiffSizeAt); at < std::min(end, kRiffSizeAt + 4); ++at)
            bytes[at - start] = (opened.rewritten->riffSize >> (8 * (at - kRiffSizeAt))) & 0xFF;
    }
    opened.position = end;
    return FLUID_OK;
}

int Seek(void* handle, fluid_long_long_t offset, int origin)
{
    OpenFile& opened = Opened(handle);
    const fluid_long_long_t base = origin == SEEK_SET   ? 0
                                   : origin == SEEK_CUR ? fluid_long_long_t(opened.position)
                                                        : fluid_long_long_t(opened.size);
    if (base + offset < 0 || std::uint64_t(base + offset) > opened.size)
        return FLUID_FAILED;
    opened.position = std::uint64_t(base + offset);
    return FLUID_OK;
}

fluid_long_long_t Tell(void* handle)
{
    return fluid_long_long_t(Opened(handle).position);
}

int Close(void* handle)
{
    delete &Opened(handle);
    return FLUID_OK;
}

} // namespace

fluid_sfloader_t* NewRewritingLoader(fluid_settings_t* settings)
{
    fluid_sfloader_t* loader = new_fluid_defsfloader(settings);
    if (loader)
        fluid_sfloader_set_callbacks(loader, Open, Read, Seek, Tell, Close);
    return loader;
}

RewrittenSoundFontInUse::RewrittenSoundFontInUse(const RewrittenSoundFont& rewritten)
    : previous_(rewrittenOnThisThread)
{
    rewrittenOnThisThread = &rewritten;
}

RewrittenSoundFontInUse::~RewrittenSoundFontInUse()
{
    rewrittenOnThisThread = previous_;
}

} // namespace synth
