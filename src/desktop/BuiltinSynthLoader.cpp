// SPDX-License-Identifier: GPL-3.0-or-later
// Loading the built-in synthesizer's module, and the device listed when it cannot be loaded.
#include "desktop/BuiltinSynthLoader.h"

#include "synth/BuiltinSynthModule.h"

#include <QDebug>
#include <QDir>
#include <QLibrary>

namespace desktop {
namespace {

class MissingSynthDevice final : public platform::MidiOutDevice {
public:
    explicit MissingSynthDevice(QString why) : why_(std::move(why)) {}

    std::string name() const override { return synth::kBuiltinSynthName; }

    midi::Result open(std::unique_ptr<platform::OutputPort>&) override
    {
        if (!reported_) // the program retries: said once is enough
            qWarning().noquote() << "Built-in synthesizer:" << why_;
        reported_ = true;
        return midi::Result::NoDriver;
    }

private:
    QString why_;
    bool reported_ = false;
};

} // namespace

QStringList BuiltinSynthFolders(const QString& programFolder)
{
    const QDir folder(programFolder);
    return {folder.path(), folder.filePath(QStringLiteral("../lib/velmora"))};
}

std::unique_ptr<platform::MidiOutDevice> LoadBuiltinSynthDevice(const QStringList& folders)
{
    QStringList errors;
    for (const QString& folder : folders) {
        QLibrary module(QDir(folder).filePath(QLatin1String(synth::kBuiltinSynthModule)));
        // Everything resolved at once: a module that does not fit the program fails here, not later.
        module.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        auto* entry = reinterpret_cast<synth::BuiltinSynthEntry*>(module.resolve(synth::kBuiltinSynthEntry));
        if (!entry) {
            errors << module.errorString();
            continue;
        }
        std::unique_ptr<platform::MidiOutDevice> device;
        entry(platform::ShowMessage, device);
        return device;
    }
    return std::make_unique<MissingSynthDevice>(
        QStringLiteral("its module could not be loaded (%1)").arg(errors.join(QStringLiteral("; "))));
}

} // namespace desktop
