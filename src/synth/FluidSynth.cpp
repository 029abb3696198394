// SPDX-License-Identifier: GPL-3.0-or-later
// FluidSynth set up for the game: SoundFont samples loaded on demand, chorus off, every key in
// equal temperament until told otherwise.
#include "synth/FluidSynth.h"

#include "midi/Midi.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace synth {
namespace {

void IgnoreGLibMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer)
{
}

// When FluidSynth's SoundFont loader gives up on a file, its DLS loader (libinstpatch) tries next
// and reports its own failure as GLib criticals on the terminal. Off while a SoundFont loads; one
// load at a time, since the measuring thread loads too and the handler is the process's.
class GLibMessagesSilenced {
public:
    GLibMessagesSilenced() : lock_(Mutex()), previous_(g_log_set_default_handler(IgnoreGLibMessage, nullptr))
    {
    }
    ~GLibMessagesSilenced() { g_log_set_default_handler(previous_, nullptr); }
    GLibMessagesSilenced(const GLibMessagesSilenced&) = delete;
    GLibMessagesSilenced& operator=(const GLibMessagesSilenced&) = delete;

private:
    static std::mutex& Mutex()
    {
        static std::mutex mutex;
        return mutex;
    }

    std::lock_guard<std::mutex> lock_;
    GLogFunc previous_;
};

void SilenceFluidSynthLog()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = 0; level < LAST_LOG_LEVEL; ++level)
            fluid_set_log_function(level, nullptr, nullptr);
    });
}

// The polyphonic key pressure value that stands for `cents` of detune (see addKeyDetuneModulator).
int KeyPressureOf(int cents)
{
    return std::clamp(cents, FluidSynth::kLowestDetune, FluidSynth::kHighestDetune) -
           FluidSynth::kLowestDetune;
}

} // namespace

std::unique_ptr<FluidSynth> FluidSynth::Open(const FluidSynthOptions& options)
{
    SilenceFluidSynthLog();
    std::unique_ptr<FluidSynth> synth(new FluidSynth);
    synth->settings_.reset(new_fluid_settings());
    if (!synth->settings_)
        return nullptr;
    fluid_settings_t* settings = synth->settings_.get();
    // Samples of the selected programs only: the SoundFont loads in 0.02 ... 0.04 s and adds 33 MB,
    // against 0.27 s and 158 MB with every sample (measured with FluidR3_GM).
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setint(settings, "synth.reverb.active", options.reverb ? 1 : 0);
    fluid_settings_setint(settings, "synth.chorus.active", 0);
    // FluidSynth's 0.2 leaves one piano note at -27 dBFS; 0.6 lifts it to -18 dBFS and keeps ten
    // notes at once 6 dB below full scale (bench/run.sh).
    fluid_settings_setnum(settings, "synth.gain", 0.6);
    synth->synth_.reset(new_fluid_synth(settings));
    if (!synth->synth_)
        return nullptr;
    if (fluid_sfloader_t* loader = NewRewritingLoader(settings))
        fluid_synth_add_sfloader(synth->synth_.get(), loader); // tried before FluidSynth's own
    if (!synth->loadFirstSoundFont(options.soundFonts))
        return nullptr;
    // Its samples are made on a thread of its own while the audio output opens; the port holds the
    // keys of a channel that plays it until they are there.
    synth->tuningPiano_ = TuningPianoFont::AddTo(synth->synth_.get(), int(std::lround(synth->sampleRate())));
    synth->addKeyDetuneModulator();
    for (int channel = 0; channel < midi::kChannels; ++channel)
        for (int key = 0; key < midi::kKeys; ++key)
            synth->setKeyDetune(channel, key, 0);
    return synth;
}

bool FluidSynth::loadFirstSoundFont(const std::vector<std::string>& paths)
{
    const GLibMessagesSilenced glibQuiet;
    for (const std::string& path : paths) {
        SoundFontFile file(path);
        if (!file.isOpen())
            continue;
        soundFontId_ = fluid_synth_sfload(synth_.get(), file.pathInUse().c_str(), 1);
        if (soundFontId_ != FLUID_FAILED) {
            soundFont_ = std::move(file);
            return true;
        }
    }
    return false;
}

// FluidSynth's own reload unloads first: in between, and for good when the load then fails, the
// channels have no preset and every key is silent. Loading the new SoundFont beside the old one
// and moving the channels over leaves them a preset at every moment.
bool FluidSynth::reload(const std::optional<RewrittenSoundFont>& rewritten)
{
    const GLibMessagesSilenced glibQuiet;
    const std::lock_guard noMessages(messages_);
    if (!soundFont_.unchanged())
        return false; // its headers may still read, its samples would not
    const int loaded = [&] {
        std::optional<RewrittenSoundFontInUse> inUse;
        if (rewritten)
            inUse.emplace(*rewritten);
        return fluid_synth_sfload(synth_.get(), soundFont_.pathInUse().c_str(), 0);
    }();
    if (loaded == FLUID_FAILED)
        return false;
    for (int channel = 0; channel < fluid_synth_count_midi_channels(synth_.get()); ++channel) {
        int soundFont = 0, bank = 0, program = 0;
        if (fluid_synth_get_program(synth_.get(), channel, &soundFont, &bank, &program) == FLUID_OK &&
            soundFont == soundFontId_)
            fluid_synth_program_select(synth_.get(), channel, loaded, bank, program);
    }
    fluid_synth_sfunload(synth_.get(), soundFontId_, 0);
    soundFontId_ = loaded;
    return true;
}

// The detune rides on polyphonic key pressure, turned into fine tune by a modulator of ours: bipolar,
// so pressure 0 ... 127 is -64 ... +63 cents, exactly the range and steps of a GS scale-tuning byte.
// FluidSynth's own tuning tables would pick the SoundFont sample by the detuned pitch rounded to a
// key, so a class detuned beyond 50 cents would play its neighbour's sample and be heard with that
// sample's own tuning error (up to 5 cents in FluidR3_GM). Fine tune keeps the key's own sample, as
// a GS module does.
void FluidSynth::addKeyDetuneModulator()
{
    std::unique_ptr<fluid_mod_t, decltype(&delete_fluid_mod)> modulator(new_fluid_mod(), &delete_fluid_mod);
    fluid_mod_set_source1(modulator.get(), FLUID_MOD_KEYPRESSURE,
                          FLUID_MOD_GC | FLUID_MOD_LINEAR | FLUID_MOD_BIPOLAR | FLUID_MOD_POSITIVE);
    fluid_mod_set_source2(modulator.get(), FLUID_MOD_NONE, 0);
    fluid_mod_set_dest(modulator.get(), GEN_FINETUNE);
    fluid_mod_set_amount(modulator.get(), -kLowestDetune);
    fluid_synth_add_default_mod(synth_.get(), modulator.get(), FLUID_SYNTH_OVERWRITE);
}

void FluidSynth::setKeyDetune(int channel, int key, int cents)
{
    fluid_synth_key_pressure(synth_.get(), channel, key, KeyPressureOf(cents));
}

double FluidSynth::sampleRate() const
{
    double rate = 44100;
    fluid_settings_getnum(settings_.get(), "synth.sample-rate", &rate);
    return rate;
}

void FluidSynth::render(float* left, float* right, int frames)
{
    fluid_synth_write_float(synth_.get(), frames, left, 0, 1, right, 0, 1);
}

} // namespace synth
