// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in synthesizer as a device of the list: each open loads the SoundFont and starts an
// audio output of its own.
#include "synth/BuiltinSynthDevice.h"

#include "synth/GsSynthPort.h"
#include "synth/SampleRetuning.h"

#include <QDebug>
#include <QString>

namespace synth {
namespace {

QString Listed(const std::vector<std::string>& items)
{
    QStringList list;
    for (const std::string& item : items)
        list << QString::fromStdString(item);
    return list.isEmpty() ? QStringLiteral("none") : list.join(QStringLiteral(", "));
}

class BuiltinSynthDevice final : public platform::MidiOutDevice {
public:
    explicit BuiltinSynthDevice(BuiltinSynthOptions options) : options_(std::move(options)) {}

    std::string name() const override { return kBuiltinSynthName; }

    midi::Result open(std::unique_ptr<platform::OutputPort>& port) override
    {
        auto synth = FluidSynth::Open({.soundFonts = options_.soundFonts, .reverb = options_.reverb});
        if (!synth)
            return failure(midi::Result::NoDriver, "no SoundFont could be loaded", options_.soundFonts);
        auto audio = AudioOutput::Open(*synth, options_.audioDrivers);
        if (!audio)
            return failure(midi::Result::NotEnabled, "no audio output could be opened",
                           options_.audioDrivers);
        auto calibrator = calibratorFor(*synth);
        port = std::make_unique<GsSynthPort>(std::move(synth), std::move(audio), std::move(calibrator));
        lastReported_ = midi::Result::Ok;
        return midi::Result::Ok;
    }

private:
    std::unique_ptr<TuningCalibrator> calibratorFor(FluidSynth& synth) const
    {
        if (!options_.correctSoundFontTuning)
            return nullptr;
        return MakeTuningCalibrator(synth, options_.tuningCache.empty()
                                               ? TuningCache::DefaultFolder()
                                               : QString::fromStdString(options_.tuningCache));
    }

    // One line on stderr; the program retries opening, so a failure repeated is not said again.
    midi::Result failure(midi::Result result, const char* what, const std::vector<std::string>& tried)
    {
        if (result != lastReported_)
            qWarning().noquote() << "Built-in synthesizer:" << what << "(tried" << Listed(tried) + ")";
        lastReported_ = result;
        return result;
    }

    BuiltinSynthOptions options_;
    midi::Result lastReported_ = midi::Result::Ok;
};

} // namespace

std::unique_ptr<TuningCalibrator> MakeTuningCalibrator(FluidSynth& synth, const QString& cacheFolder)
{
    // Measured from the file the synthesizer holds, which outlives its path.
    auto measure = [file = synth.soundFontInUse()](int program, std::stop_token stop) {
        return MeasureProgramTuning(file, program, stop);
    };
    std::optional<ShippedTuning> shipped;
    if (auto table = TuningTable::Shipped())
        shipped = ShippedTuning{std::move(*table), synth.soundFontInUse()};
    // Nothing waits for the piano's correction here, so the windows come up at once: the port holds
    // keys played before it is in and sounds them, corrected, when it is (from the shipped table for
    // FluidR3_GM, once the worker has recognized the file).
    return std::make_unique<TuningCalibrator>(synth.soundFont(), TuningCache(cacheFolder), std::move(measure),
                                              SampleRetuner(synth), std::move(shipped));
}

std::unique_ptr<platform::MidiOutDevice> MakeBuiltinSynthDevice(BuiltinSynthOptions options)
{
    return std::make_unique<BuiltinSynthDevice>(std::move(options));
}

std::unique_ptr<platform::MidiOutDevice> MakeBuiltinSynthDevice()
{
    return MakeBuiltinSynthDevice(BuiltinSynthOptions{});
}

} // namespace synth
