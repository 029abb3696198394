// SPDX-License-Identifier: GPL-3.0-or-later
// The drill "うなりの速さ比べ" heard through the built-in synthesizer: for each kind of check the
// drill draws at 30, 10 and 3 %, both intervals rendered on the stiff tuning piano in the trial's
// scale tuning, their beats read from the sound, and the faster beat's lead over the slower one
// against the share the drill set.
#include "BeatMeter.h"
#include "DrySynth.h"
#include "GsBytes.h"
#include "game/BeatComparison.h"

#include <QtTest>

#include <cmath>
#include <set>

using testing::Short;

namespace {

constexpr int kOwnBank = 1, kStiffTuningPiano = 1;
// Where a beat is read: four seconds of both notes, from after the strike.
constexpr double kSkipSeconds = 0.25, kListenSeconds = 4;
constexpr int kDrawsPerShare = 200; // enough for every kind that comes near the share to show

double EqualTemperedHz(int key)
{
    return 440 * std::exp2((key - 69) / 12.0);
}

} // namespace

class TestComparisonBeats : public QObject {
    Q_OBJECT

    std::unique_ptr<synth::GsSynthPort> port_;
    game::PartialCents partials_;

    std::vector<float> render(std::initializer_list<int> keys)
    {
        return testing::RenderHeld(*port_, keys, kSkipSeconds, kListenSeconds);
    }

    // The beat of one interval as heard, searched for within half to twice the rate the drill
    // expects of it.
    double heardBeat(const game::BeatingInterval& interval, double expectedHz)
    {
        const double centreHz = interval.lowerPartial * EqualTemperedHz(interval.lower);
        return testing::StrongestBeat(render({interval.lower, interval.upper}), render({interval.lower}),
                                      render({interval.upper}), port_->synth().sampleRate(), centreHz,
                                      expectedHz / 2, expectedHz * 2);
    }

private slots:
    void initTestCase()
    {
        port_ = testing::DryGeneralMidiPort();
        QVERIFY2(port_, "no General MIDI SoundFont (package fluid-soundfont-gm)");
        port_->sendShort(Short(0xB0, 0, kOwnBank));
        port_->sendShort(Short(0xC0, kStiffTuningPiano));
        QTRY_VERIFY_WITH_TIMEOUT(port_->synth().tuningPiano()->ready(kStiffTuningPiano), 20000);
        const auto partials = port_->partials(kOwnBank, kStiffTuningPiano);
        QVERIFY(partials);
        partials_ = [keys = partials->keys](int note, int partial) -> std::optional<double> {
            const auto key = keys.find(note);
            if (key == keys.end() || partial < 1 || partial > output::kKnownPartials)
                return std::nullopt;
            return key->second[std::size_t(partial - 1)];
        };
    }

    void beatsDifferByTheSetShare_data()
    {
        QTest::addColumn<double>("share");
        for (double share : {0.30, 0.10, 0.03})
            QTest::addRow("%.0f %%", share * 100) << share;
    }
    // Within a tenth of the set share, for the first trial of each kind drawn: the game's beat
    // rates are the instrument's, and whole cents of one note reach the share.
    void beatsDifferByTheSetShare()
    {
        QFETCH(double, share);
        std::mt19937 random(2026);
        std::set<game::ComparisonKind> heard;
        QStringList missed;
        for (int draw = 0; draw < kDrawsPerShare; ++draw) {
            const game::ComparisonTrial trial = game::DrawComparisonTrial(share, partials_, random);
            if (!heard.insert(trial.kind).second)
                continue;
            const game::PitchClassCents tuning = trial.tuning();
            QCOMPARE(port_->sendSysex(testing::GsScaleTuning(1, 0, {tuning.begin(), tuning.end()})),
                     output::Result::Ok);
            const double first = heardBeat(trial.intervals[0], trial.rates[0]),
                         second = heardBeat(trial.intervals[1], trial.rates[1]);
            const double lead = std::max(first, second) / std::min(first, second) - 1;
            const QString said =
                QStringLiteral("%1 %2 / %3: %4 Hz and %5 Hz heard (%6 and %7 told), %8 %")
                    .arg(game::ComparisonKindName(trial.kind), game::IntervalText(trial.intervals[0]),
                         game::IntervalText(trial.intervals[1]))
                    .arg(first, 0, 'f', 3)
                    .arg(second, 0, 'f', 3)
                    .arg(trial.rates[0], 0, 'f', 3)
                    .arg(trial.rates[1], 0, 'f', 3)
                    .arg(lead * 100, 0, 'f', 2);
            qInfo("%s", qPrintable(said));
            if (std::abs(lead - share) > share / 10 || (first > second) != (trial.faster() == 0))
                missed << said;
        }
        QVERIFY(!heard.empty());
        QVERIFY2(missed.isEmpty(), qPrintable(missed.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(TestComparisonBeats)
#include "test_comparison_beats.moc"
