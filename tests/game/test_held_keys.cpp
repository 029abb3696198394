// SPDX-License-Identifier: GPL-3.0-or-later
// What the player holds down, against a recording sound: the rules the windows' suites cannot
// reach through Qt's events (auto-repeats never get this far).
#include "game/HeldKeys.h"

#include <QtTest>

namespace {

// The messages in the order they went out, "on 0 53", "pedal 0 down", ...
class RecordingSound final : public game::Sound {
public:
    QStringList sent;

    void sendNoteOn(int channel, int note) override
    {
        sent << QStringLiteral("on %1 %2").arg(channel).arg(note);
    }
    void sendNoteOff(int channel, int note) override
    {
        sent << QStringLiteral("off %1 %2").arg(channel).arg(note);
    }
    void sendSustainPedal(int channel, bool down) override
    {
        sent << QStringLiteral("pedal %1 %2").arg(channel).arg(down ? "down" : "up");
    }
    void sendAllSoundOff(int channel) override { sent << QStringLiteral("all off %1").arg(channel); }
    void sendProgramChange(int channel, int program) override
    {
        sent << QStringLiteral("program %1 %2").arg(channel).arg(program);
    }
    void sendBankSelect(int channel, int bank) override
    {
        sent << QStringLiteral("bank %1 %2").arg(channel).arg(bank);
    }
    void sendScaleTuning(const std::array<std::uint8_t, midi::kPitchClasses>&, game::TuningMoment) override
    {
        sent << QStringLiteral("tuning");
    }
    void sendMasterTune(double) override { sent << QStringLiteral("master tune"); }
    bool offersOwnInstruments() const override { return false; }
};

const game::KeyRole kPedal{.kind = game::KeyRole::Kind::Pedal};
const game::KeyRole kKeyF3{.kind = game::KeyRole::Kind::Note, .note = 53};

} // namespace

class TestHeldKeys : public QObject {
    Q_OBJECT

private slots:
    // A second press while held (Return and the keypad's Enter both on "A音", the pedal's release
    // never delivered) sounds nothing more, and one release ends it.
    void pedalAndReferenceSoundOnceWhileHeld()
    {
        RecordingSound sound;
        int referenceUses = 0;
        game::HeldKeys keys(sound,
                            {.noteSounding = [](int, bool) {}, .referenceSounded = [&] { ++referenceUses; }});
        keys.press(kPedal);
        keys.press(kPedal);
        keys.pressReferenceKey();
        keys.pressReferenceKey();
        keys.release(kPedal);
        keys.releaseReferenceKey();
        keys.release(kPedal);
        keys.releaseReferenceKey();
        QCOMPARE(sound.sent, QStringList({"pedal 0 down", "on 1 69", "pedal 0 up", "off 1 69"}));
        QCOMPARE(referenceUses, 1);
    }

    // Once the program has let go of everything (the keyboard went to another program), the
    // releases of those keys arriving later end nothing a second time.
    void releasesAfterLettingGoSendNothing()
    {
        RecordingSound sound;
        game::HeldKeys keys(sound, {.noteSounding = [](int, bool) {}, .referenceSounded = [] {}});
        keys.press(kKeyF3);
        keys.press(kPedal);
        keys.pressReferenceKey();
        keys.releaseAll();
        const QStringList letGo = sound.sent.mid(3);
        keys.release(kKeyF3);
        keys.release(kPedal);
        keys.releaseReferenceKey();
        keys.releaseAll();
        QCOMPARE(letGo, QStringList({"off 0 53", "pedal 0 up", "off 1 69"}));
        QCOMPARE(sound.sent.size(), 6);
    }
};

QTEST_GUILESS_MAIN(TestHeldKeys)
#include "test_held_keys.moc"
