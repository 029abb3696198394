// SPDX-License-Identifier: GPL-3.0-or-later
// The instrument names the player picks from and the report prints; the odd spellings are deliberate.
#include "game/Instruments.h"

#include "midi/Midi.h"

namespace game {

const QString kTuningPianoName = QStringLiteral("調律用ピアノ（単弦）");

const QStringList& InstrumentNames()
{
    // Grouped by family, sixteen programs each.
    // clang-format off
    static const QStringList names{
        // 0 ... 15: pianos, chromatic percussion
        "piano 1", "piano 2", "piano 3", "Honky-tonk", "E.Piano 1", "E.Piano 2", "Harpsichord", "Clav.",
        "Celesta", "Glockenspl", "Music Box", "Vibraphone", "Marimba", "Xylophone", "Tubularbell", "Santur",
        // 16 ... 31: organs, guitars
        "Organ 1", "Organ 2", "Organ 3", "Church Org 1", "Reed Organ", "Accordion", "Harmonica", "Bandoneon",
        "Nylon Gt.", "Steel Gt,", "Jazz Gt.", "Clean Gt.", "Muted Gt.", "Overdrive Gt.", "Distortion Gt.",
        "Gt.Hermonix",
        // 32 ... 47: basses, strings
        "Acoustic Bass", "Fingered Bass", "Picked Bass", "Fretless Bass", "Slap Bass 1", "Slap Bass 2",
        "Syn.Bass 1", "Syn.Bass 2", "Violin", "Viola", "Cello", "Contrabass", "Tremolo Str", "Pizzicato",
        "Harp", "Timpani",
        // 48 ... 63: ensembles, brass
        "Strings", "SlowStrings", "SynStrings 1", "SynStrings 2", "Choir Aahs", "Voice Oohs", "SynVox",
        "Orchest.Hit", "Trumpet", "Trombone", "Tuba", "Mute Trumpet", "French Horn", "Brass", "Syn Brass 1",
        "Syn Brass 2",
        // 64 ... 79: reeds, pipes
        "Soprano Sax", "Alto Sax", "Tenor Sax", "Baritone Sax", "Oboe", "EnglishHorn", "Bassoon", "Clarinet",
        "Piccolo", "Flute", "Recorder", "Pan Flute", "Bottle Blow", "Shakuhachi", "Whistle", "Ocarina",
        // 80 ... 95: synth leads, synth pads
        "Square Wave", "Saw Wave", "SynCalliope", "ChifferLead", "Charang", "Solo Vox", "5th Saw",
        "Bass & Lead", "Fantasla", "Warm Pad", "Polysynth", "Space Voice", "Bowed Glass", "Metal Pad",
        "Halo Pad", "Sweep Pad",
        // 96 ... 111: synth effects, ethnic
        "Ice Rain", "Soundtrack", "Crystal", "Atmosphere", "Brightness", "Goblin", "Echo Drops", "Star Theme",
        "Sitar", "Banjo", "Shamisen", "Koto", "Kalimba", "Bagpipe", "Fiddle", "Shanal",
        // 112 ... 127: percussive, sound effects
        "Tinkle Bell", "Agogo", "Steel Drums", "WoodBlock", "Taiko", "Melo.Tam 1", "Synth Drum",
        "Reverse Cym", "Gt.FretNoiz", "Breath Noise", "Seashore", "Bird", "Telephone", "Helicopter",
        "Applause", "Gun Shot",
    };
    // clang-format on
    return names;
}

QString InstrumentName(int instrument)
{
    switch (instrument) {
    case kTuningPiano:
        return kTuningPianoName;
    case kStiffTuningPiano:
        return QStringLiteral("調律用ピアノ（単弦・非調和性あり）");
    default:
        return InstrumentNames().value(instrument);
    }
}

bool IsTuningPiano(int instrument)
{
    return instrument == kTuningPiano || instrument == kStiffTuningPiano;
}

ProgramChoice ProgramChoiceOf(int instrument)
{
    switch (instrument) {
    case kTuningPiano:
        return {midi::kOwnBank, midi::kTuningPianoProgram};
    case kStiffTuningPiano:
        return {midi::kOwnBank, midi::kStiffTuningPianoProgram};
    default:
        return {0, instrument};
    }
}

} // namespace game
