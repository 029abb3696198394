// SPDX-License-Identifier: GPL-3.0-or-later
// GS scale tuning as heard: the fundamental of notes rendered offline, against untuned renderings
// of the same note in the same time window.
#include "DrySynth.h"
#include "GsBytes.h"
#include "PitchMeter.h"
#include "synth/BuiltinSynthDevice.h"
#include "synth/GsSynthPort.h"

#include <QtTest>

#include <cmath>
#include <map>

using testing::Short;

namespace {

// Electric Piano 1: in FluidR3_GM a tine tone close to a sine, with a strong, steady fundamental,
// no vibrato and no detuned layers. Measured the same way, organs, flutes, strings and leads come
// out 0.1 ... 100 cents off through vibrato, beating layers or a weak fundamental.
constexpr int kElectricPiano1 = 4;
constexpr int kPlayer = 0;    // channel 1, the one the game detunes
constexpr int kReference = 1; // channel 2, the reference A
constexpr int kReferenceA = 69;
constexpr int kLowestKey = 53, kHighestKey = 76; // the game's keyboard, F3 ... E5: every class twice
constexpr int kVelocity = 100;
constexpr int kAttackFrames = 2048; // skipped
constexpr int kWindowFrames = 8192; // 0.19 s
constexpr double kToleranceCents = 0.1;

double NominalHz(int key)
{
    return 440 * std::exp2((key - kReferenceA) / 12.0);
}

QString NoteName(int key)
{
    static const char* const names[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    return QStringLiteral("%1%2").arg(names[key % 12]).arg(key / 12 - 1);
}

} // namespace

class TestGsPitch : public QObject {
    Q_OBJECT

    std::unique_ptr<synth::GsSynthPort> port_;
    std::map<std::pair<int, int>, double> untunedHz_; // by channel and key

    // Mono (left + right) frames rendered from now on.
    std::vector<float> render(int frames)
    {
        std::vector<float> left(frames), right(frames);
        port_->synth().render(left.data(), right.data(), frames);
        for (int i = 0; i < frames; ++i)
            left[i] += right[i];
        return left;
    }

    double pitchOfNextWindow(int key)
    {
        const auto window = render(kWindowFrames);
        return testing::PeakFrequency(window, port_->synth().sampleRate(), NominalHz(key));
    }

    void noteOn(int channel, int key) { port_->sendShort(Short(0x90 | channel, key, kVelocity)); }

    // Sound off, then one block so that the voices are gone before the next note takes their place.
    void silence(int channel)
    {
        port_->sendShort(Short(0xB0 | channel, 120));
        render(64);
    }

    double heardHz(int channel, int key)
    {
        noteOn(channel, key);
        render(kAttackFrames);
        const double hz = pitchOfNextWindow(key);
        silence(channel);
        return hz;
    }

    // Cents between the note as heard now and as heard untuned.
    double detuneHeard(int channel, int key)
    {
        return testing::CentsBetween(heardHz(channel, key), untunedHz_.at({channel, key}));
    }

    void send(const std::vector<std::uint8_t>& bytes)
    {
        QCOMPARE(port_->sendSysex(bytes), output::Result::Ok);
    }

    void selectPrograms()
    {
        port_->sendShort(Short(0xC0 | kPlayer, kElectricPiano1));
        port_->sendShort(Short(0xC0 | kReference, kElectricPiano1));
    }

    static void verifyCents(double heard, double expected, const QString& what)
    {
        QVERIFY2(std::abs(heard - expected) <= kToleranceCents,
                 qPrintable(QStringLiteral("%1: heard %2 cents, expected %3")
                                .arg(what)
                                .arg(heard, 0, 'f', 3)
                                .arg(expected)));
    }

private slots:
    void initTestCase()
    {
        port_ = testing::DryGeneralMidiPort();
        QVERIFY2(port_, "no General MIDI SoundFont (package fluid-soundfont-gm)");
        selectPrograms();
        heardHz(kPlayer, 60); // a voice's very first note starts a hair differently from later ones
        for (int key = kLowestKey; key <= kHighestKey; ++key)
            untunedHz_[{kPlayer, key}] = heardHz(kPlayer, key);
        untunedHz_[{kReference, kReferenceA}] = heardHz(kReference, kReferenceA);
    }

    void init()
    {
        send(testing::GsReset());
        selectPrograms();
    }

    void everyClassInTwoOctaves_data()
    {
        QTest::addColumn<QList<int>>("tuning");
        QTest::addColumn<int>("key");
        const std::map<QString, QList<int>> tunings{
            {"extremes", {-64, 63, -64, 63, -64, 63, -64, 63, -64, 63, -64, 63}},
            {"extremes swapped", {63, -64, 63, -64, 63, -64, 63, -64, 63, -64, 63, -64}},
            {"in between", {-50, 50, -51, 51, -1, 1, -30, 30, 17, -17, 0, 5}},
        };
        for (const auto& [name, tuning] : tunings)
            for (int key = kLowestKey; key <= kHighestKey; ++key)
                QTest::addRow("%s, %s at %d", qPrintable(name), qPrintable(NoteName(key)),
                              int(tuning[key % 12]))
                    << tuning << key;
    }
    void everyClassInTwoOctaves()
    {
        QFETCH(QList<int>, tuning);
        QFETCH(int, key);
        send(testing::GsScaleTuning(1, 0, {tuning.begin(), tuning.end()}));
        verifyCents(detuneHeard(kPlayer, key), tuning[key % 12], NoteName(key));
    }

    void referenceAStaysUntouched()
    {
        send(testing::GsScaleTuning(1, 0, std::vector<int>(12, -64)));
        verifyCents(detuneHeard(kReference, kReferenceA), 0, QStringLiteral("reference A"));
    }

    void gsResetBringsEveryClassBack()
    {
        send(testing::GsScaleTuning(1, 0, {-64, 63, -64, 63, -64, 63, -64, 63, -64, 63, -64, 63}));
        send(testing::GsReset());
        selectPrograms();
        for (int key = 60; key < 72; ++key)
            verifyCents(detuneHeard(kPlayer, key), 0, NoteName(key));
    }

    void partialMessageKeepsTheOtherClasses()
    {
        send(testing::GsScaleTuning(1, 0, std::vector<int>(12, 20)));
        send(testing::GsScaleTuning(1, 4, {-10})); // E alone
        verifyCents(detuneHeard(kPlayer, 64), -10, QStringLiteral("E4"));
        verifyCents(detuneHeard(kPlayer, 65), 20, QStringLiteral("F4"));
    }

    void damagedMessageChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("damaged");
        auto bytes = [](const std::vector<std::uint8_t>& message) {
            return QByteArray(reinterpret_cast<const char*>(message.data()), qsizetype(message.size()));
        };
        auto other = testing::GsScaleTuning(1, 0, std::vector<int>(12, -40));
        auto wrongChecksum = other;
        wrongChecksum[wrongChecksum.size() - 2] ^= 0x01;
        QTest::newRow("wrong checksum") << bytes(wrongChecksum);
        QTest::newRow("wrong device ID")
            << bytes(testing::GsScaleTuning(1, 0, std::vector<int>(12, -40), 0x11));
        // Data cut after four classes, F7 kept. Copied rather than erased: GCC 12 at -O2 and above
        // sees the erase's move write past the end (-Wstringop-overflow).
        std::vector<std::uint8_t> truncated(other.begin(), other.begin() + 13);
        truncated.back() = 0xF7;
        QTest::newRow("truncated body") << bytes(truncated);
    }
    void damagedMessageChangesNothing()
    {
        QFETCH(QByteArray, damaged);
        send(testing::GsScaleTuning(1, 0, std::vector<int>(12, 25)));
        QCOMPARE(port_->sendSysex(
                     {reinterpret_cast<const std::uint8_t*>(damaged.data()), std::size_t(damaged.size())}),
                 output::Result::Ok);
        verifyCents(detuneHeard(kPlayer, 60), 25, QStringLiteral("C4"));
    }

    // Without the calibrator's rates (this port has none), a SoundFont's samples take the master tune
    // to the nearest whole cent: 442 Hz's 7.9 cents (master tune 0x044F) as 8, on both channels, over
    // the scale tuning.
    void masterTuneMovesBothChannels()
    {
        send(testing::GsDataSet({0x40, 0x00, 0x00, 0x00, 0x04, 0x04, 0x0F}));
        send(testing::GsScaleTuning(1, 0, std::vector<int>(12, -5)));
        verifyCents(detuneHeard(kReference, kReferenceA), 8, QStringLiteral("reference A"));
        verifyCents(detuneHeard(kPlayer, 60), 3, QStringLiteral("C4"));
        send(testing::GsReset());
        selectPrograms();
        verifyCents(detuneHeard(kReference, kReferenceA), 0, QStringLiteral("reference A after the reset"));
    }

    void heldKeyRetunes()
    {
        noteOn(kPlayer, kReferenceA);
        render(kAttackFrames);
        const double before = pitchOfNextWindow(kReferenceA);
        send(testing::GsScaleTuning(1, 9, {30}));
        const double after = pitchOfNextWindow(kReferenceA);
        silence(kPlayer);
        verifyCents(testing::CentsBetween(after, before), 30, QStringLiteral("held A4"));
    }

    // Measured behaviour: a note that only the damper pedal still holds retunes at once as well.
    void pedalHeldKeyRetunes()
    {
        port_->sendShort(Short(0xB0 | kPlayer, 64, 127));
        noteOn(kPlayer, kReferenceA);
        render(kAttackFrames);
        port_->sendShort(Short(0x80 | kPlayer, kReferenceA));
        const double before = pitchOfNextWindow(kReferenceA);
        send(testing::GsScaleTuning(1, 9, {-30}));
        const double after = pitchOfNextWindow(kReferenceA);
        silence(kPlayer);
        verifyCents(testing::CentsBetween(after, before), -30, QStringLiteral("pedal-held A4"));
    }

    // FluidSynth clears key pressure, which carries our detune, when all controllers are reset.
    void resetAllControllersKeepsScaleTuning()
    {
        send(testing::GsScaleTuning(1, 0, std::vector<int>(12, 25)));
        port_->sendShort(Short(0xB0 | kPlayer, 121));
        verifyCents(detuneHeard(kPlayer, kReferenceA), 25, QStringLiteral("A4"));
    }

    void keyPressureFromOutsideDoesNotDetune()
    {
        port_->sendShort(Short(0xA0 | kPlayer, kReferenceA, 0));
        verifyCents(detuneHeard(kPlayer, kReferenceA), 0, QStringLiteral("A4"));
    }
};

QTEST_GUILESS_MAIN(TestGsPitch)
#include "test_gs_pitch.moc"
