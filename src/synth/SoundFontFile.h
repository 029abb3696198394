// SPDX-License-Identifier: GPL-3.0-or-later
// A SoundFont file held open for as long as a synthesizer plays it.
#pragma once

#include <string>

namespace synth {

// FluidSynth loads a preset's samples when a channel first selects it, opening the file again by
// name; a file deleted (or removed with its package) meanwhile left the voices without data, and
// the audio thread crashed on them. Held open, the file stays readable under /proc/self/fd/<n>
// until it is closed, deleted or not, so FluidSynth is given that name.
// A file changed in place (cut short, overwritten) is another matter: the held descriptor reads the
// changed bytes, FluidSynth fails to load the next instrument's samples from them, keeps the preset
// all the same and crashed the audio thread rendering its voices. Its size and modification time,
// taken when it was opened, tell such a change before anything more is loaded from it.
class SoundFontFile {
public:
    SoundFontFile() = default;
    // A path under /proc/self/fd/ is a file someone already holds: it is used as it is.
    explicit SoundFontFile(std::string path);
    ~SoundFontFile();
    SoundFontFile(SoundFontFile&& other) noexcept;
    SoundFontFile& operator=(SoundFontFile&& other) noexcept;
    SoundFontFile(const SoundFontFile&) = delete;
    SoundFontFile& operator=(const SoundFontFile&) = delete;

    bool isOpen() const { return !pathInUse_.empty(); }
    const std::string& path() const { return path_; }
    // The name to read the held file by; the path itself where the system offers no such name.
    const std::string& pathInUse() const { return pathInUse_; }
    // Whether the path still leads to the held file (not deleted, moved or replaced).
    bool stillThere() const;
    // Whether the held file still has the size and modification time it had when it was opened.
    bool unchanged() const;

private:
    struct Identity {
        long long size = -1;
        long long modifiedSeconds = 0, modifiedNanoseconds = 0;
        bool operator==(const Identity&) const = default;
    };
    // Of the file pathInUse() reads; size -1 when it cannot be read.
    Identity identityNow() const;

    std::string path_;
    std::string pathInUse_;
    int descriptor_ = -1;
    Identity opened_;
};

} // namespace synth
