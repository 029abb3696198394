// SPDX-License-Identifier: GPL-3.0-or-later
// A SoundFont file as FluidSynth is to read it: the file's first bytes as they are (but for the
// RIFF size), then a replacement for the rest. A loader of ours hands FluidSynth such a file.
#pragma once

#include <fluidsynth.h>

#include <cstdint>
#include <vector>

namespace synth {

struct RewrittenSoundFont {
    std::uint64_t kept = 0;          // bytes of the file read as they are
    std::uint32_t riffSize = 0;      // in place of the file's, which the replacement changes
    std::vector<unsigned char> tail; // read after the kept bytes, to the end

    bool operator==(const RewrittenSoundFont&) const = default;
};

// The loader, owned by the synthesizer it is added to. Files it opens read as they are, except while
// a RewrittenSoundFontInUse lives on the opening thread.
fluid_sfloader_t* NewRewritingLoader(fluid_settings_t* settings);

// While alive, SoundFonts that this thread loads through the loader read as `rewritten` says.
// FluidSynth's open callback receives nothing but the file name, so the rewrite reaches it this way.
// The headers are read during the load alone; samples loaded later come from the kept bytes.
class RewrittenSoundFontInUse {
public:
    explicit RewrittenSoundFontInUse(const RewrittenSoundFont& rewritten);
    ~RewrittenSoundFontInUse();
    RewrittenSoundFontInUse(const RewrittenSoundFontInUse&) = delete;
    RewrittenSoundFontInUse& operator=(const RewrittenSoundFontInUse&) = delete;

private:
    const RewrittenSoundFont* previous_;
};

} // namespace synth
