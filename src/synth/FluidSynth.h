// SPDX-License-Identifier: GPL-3.0-or-later
// RAII over FluidSynth's settings and synthesizer with one SoundFont loaded, and the per-key
// detune that carries the GS scale tuning.
#pragma once

#include "synth/RewrittenSoundFont.h"
#include "synth/SoundFontFile.h"
#include "synth/TuningPianoFont.h"

#include <fluidsynth.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace synth {

struct FluidSynthOptions {
    std::vector<std::string> soundFonts; // tried in order; the first that loads is used
    bool reverb = false;                 // chorus is always off: it wobbles the pitch being judged
};

class FluidSynth {
public:
    static constexpr int kLowestDetune = -64; // cents
    static constexpr int kHighestDetune = 63;

    // Null when none of the SoundFonts loads. Keeps FluidSynth's own logging off the terminal.
    // The file stays open for the synthesizer's life and FluidSynth reads it through that
    // descriptor (see SoundFontFile), so a SoundFont deleted or replaced meanwhile still plays.
    static std::unique_ptr<FluidSynth> Open(const FluidSynthOptions& options);

    fluid_synth_t* get() const { return synth_.get(); }
    fluid_settings_t* settings() const { return settings_.get(); }
    // The path of the SoundFont that loaded, as given.
    const std::string& soundFont() const { return soundFont_.path(); }
    // Where the loaded file itself is read, whatever happens to its path meanwhile.
    const std::string& soundFontInUse() const { return soundFont_.pathInUse(); }
    // False once the SoundFont's path no longer leads to the file that was loaded.
    bool soundFontStillThere() const { return soundFont_.stillThere(); }
    // False once the loaded file has been changed in place: nothing more may be loaded from it.
    bool soundFontUnchanged() const { return soundFont_.unchanged(); }
    double sampleRate() const;
    // FluidSynth's id of the SoundFont now loaded (a reload gives a new one).
    int soundFontId() const { return soundFontId_; }
    // The tuning piano beside the SoundFont (bank midi::kOwnBank); null when FluidSynth refused it.
    TuningPianoFont* tuningPiano() const { return tuningPiano_; }

    // Loads the SoundFont again, as `rewritten` has it or as the file is, and moves every channel that
    // plays it onto the same program of the new load (the tuning piano's channels stay where they are):
    // channels keep their programs and key tunings, notes sounding finish on the old samples, and a note
    // started after it plays the new. Holds messagesHeld() meanwhile, so no message falls between the load
    // and the move. When the new load fails, or the file has been changed in place since it was opened,
    // the old SoundFont plays on (false).
    bool reload(const std::optional<RewrittenSoundFont>& rewritten);

    // Held by the port while it hands a message to the synthesizer.
    std::unique_lock<std::mutex> messagesHeld() { return std::unique_lock(messages_); }

    // Renders the next `frames` frames; only while no audio output plays the synthesizer.
    void render(float* left, float* right, int frames);

    // Sounds `key` on `channel` this many cents (kLowestDetune ... kHighestDetune) off equal
    // temperament, at once for voices already sounding. Lost by a system reset and by controller
    // 121 (reset all controllers): the caller applies it again.
    void setKeyDetune(int channel, int key, int cents);

private:
    struct SettingsDeleter {
        void operator()(fluid_settings_t* settings) const { delete_fluid_settings(settings); }
    };
    struct SynthDeleter {
        void operator()(fluid_synth_t* synth) const { delete_fluid_synth(synth); }
    };

    FluidSynth() = default;
    bool loadFirstSoundFont(const std::vector<std::string>& paths);
    void addKeyDetuneModulator();

    // Declared first: the synthesizer must go before its settings.
    std::unique_ptr<fluid_settings_t, SettingsDeleter> settings_;
    std::unique_ptr<fluid_synth_t, SynthDeleter> synth_;
    SoundFontFile soundFont_;
    int soundFontId_ = FLUID_FAILED;
    TuningPianoFont* tuningPiano_ = nullptr; // owned by synth_, which deletes it with itself
    std::mutex messages_;
};

} // namespace synth
