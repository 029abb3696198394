// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in synthesizer as a device of the list: each open loads the SoundFont and starts an
// audio output of its own, on the port's thread.
#include "synth/BuiltinSynthDevice.h"

#include "synth/GsSynthPort.h"
#include "synth/OpeningPort.h"
#include "synth/SampleRetuning.h"

#include <QDebug>
#include <QString>

#include <algorithm>
#include <array>
#include <fstream>
#include <string_view>

namespace synth {
namespace {

QString Listed(const std::vector<std::string>& items)
{
    QStringList list;
    for (const std::string& item : items)
        list << QString::fromStdString(item);
    return list.isEmpty() ? QStringLiteral("none") : list.join(QStringLiteral(", "));
}

// Whether the file at `path` begins as a SoundFont does: RIFF, a size, sfbk. Loading it whole
// takes tens of milliseconds and is left to the port's thread.
bool BeginsAsSoundFont(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::array<char, 12> start{};
    return file.read(start.data(), start.size()) && std::string_view(start.data(), 4) == "RIFF" &&
           std::string_view(start.data() + 8, 4) == "sfbk";
}

// One line on stderr.
void Report(const char* what, const std::vector<std::string>& tried)
{
    qWarning().noquote() << "Built-in synthesizer:" << what << "(tried" << Listed(tried) + ")";
}

// What the player is told when the synthesizer could not open after all: once, in a box.
void SayOpenFailure(output::Result failure, const BuiltinSynthOptions& options)
{
    if (failure == output::Result::Missing)
        options.say(QStringLiteral("内蔵GSシンセサイザーの音色ファイルを読み込めませんでした"),
                    QStringLiteral("%1 は壊れているようです。fluid-soundfont-gm を入れ直すか、"
                                   "MIDI出力に別の装置を選んでください。")
                        .arg(Listed(options.soundFonts)));
    else
        options.say(QStringLiteral("内蔵GSシンセサイザーの音を出せません"),
                    QStringLiteral("音声出力（%1）を開けませんでした。サウンドの設定を確かめるか、"
                                   "MIDI出力に別の装置を選んでください。")
                        .arg(Listed(options.audioDrivers)));
}

class BuiltinSynthDevice final : public output::Device {
public:
    explicit BuiltinSynthDevice(BuiltinSynthOptions options) : options_(std::move(options)) {}

    std::string name() const override { return kBuiltinSynthName; }

    // Without a file that begins as a SoundFont the device fails at once; the rest of opening
    // (the SoundFont, the audio output, the calibrator) runs on the port's own thread, so that
    // the windows come up meanwhile.
    output::Result open(std::unique_ptr<output::Port>& port) override
    {
        if (std::none_of(options_.soundFonts.begin(), options_.soundFonts.end(), BeginsAsSoundFont)) {
            if (!noSoundFontReported_)
                Report("no SoundFont could be loaded", options_.soundFonts);
            noSoundFontReported_ = true; // the program retries: said once is enough
            return output::Result::Missing;
        }
        noSoundFontReported_ = false;
        port = std::make_unique<OpeningPort>(
            [options = options_] { return OpenNow(options); },
            [options = options_](output::Result failure) { SayOpenFailure(failure, options); });
        return output::Result::Ok;
    }

private:
    static OpeningPort::Opened OpenNow(const BuiltinSynthOptions& options)
    {
        auto synth = FluidSynth::Open({.soundFonts = options.soundFonts, .reverb = options.reverb});
        if (!synth) {
            Report("no SoundFont could be loaded", options.soundFonts);
            return {.port = nullptr, .failure = output::Result::Missing};
        }
        auto audio = AudioOutput::Open(*synth, options.audioDrivers);
        if (!audio) {
            Report("no audio output could be opened", options.audioDrivers);
            return {.port = nullptr, .failure = output::Result::NoSoundOutput};
        }
        auto calibrator = calibratorFor(*synth, options);
        auto partialsMeter = MakePartialsMeter(*synth, cacheFolder(options));
        return {.port = std::make_unique<GsSynthPort>(
                    std::move(synth), std::move(audio), std::move(calibrator),
                    GsSynthPort::kMeasurementPatience, options.say, std::move(partialsMeter))};
    }

    static QString cacheFolder(const BuiltinSynthOptions& options)
    {
        return options.tuningCache.empty() ? TuningCache::DefaultFolder()
                                           : QString::fromStdString(options.tuningCache);
    }

    static std::unique_ptr<TuningCalibrator> calibratorFor(FluidSynth& synth,
                                                           const BuiltinSynthOptions& options)
    {
        if (!options.correctSoundFontTuning)
            return nullptr;
        return MakeTuningCalibrator(synth, cacheFolder(options));
    }

    BuiltinSynthOptions options_;
    bool noSoundFontReported_ = false;
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

std::unique_ptr<PartialsMeter> MakePartialsMeter(const FluidSynth& synth, const QString& cacheFolder)
{
    // Measured from the file the synthesizer holds, which outlives its path.
    auto measure = [file = synth.soundFontInUse()](int program, std::stop_token stop) {
        return MeasureProgramPartials(file, program, stop);
    };
    return std::make_unique<PartialsMeter>(synth.soundFont(), TuningCache(cacheFolder), std::move(measure));
}

std::unique_ptr<output::Device> MakeBuiltinSynthDevice(BuiltinSynthOptions options)
{
    return std::make_unique<BuiltinSynthDevice>(std::move(options));
}

std::unique_ptr<output::Device> MakeBuiltinSynthDevice()
{
    return MakeBuiltinSynthDevice(BuiltinSynthOptions{});
}

} // namespace synth
