// SPDX-License-Identifier: GPL-3.0-or-later
// Loading the built-in synthesizer's module, and the device listed when it cannot be loaded.
#include "host/BuiltinSynthLoader.h"

#include "synth/BuiltinSynthModule.h"

#include <QDebug>
#include <QDir>
#include <QLibrary>

namespace host {
namespace {

class MissingSynthDevice final : public output::Device {
public:
    explicit MissingSynthDevice(QString why) : why_(std::move(why)) {}

    std::string name() const override { return synth::kBuiltinSynthName; }

    output::Result open(std::unique_ptr<output::Port>&) override
    {
        if (!reported_) // the program retries: said once is enough
            qWarning().noquote() << "Built-in synthesizer:" << why_;
        reported_ = true;
        return output::Result::Missing;
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

std::unique_ptr<output::Device> LoadBuiltinSynthDevice(const QStringList& folders,
                                                       const synth::SayToPlayer& say)
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
        std::unique_ptr<output::Device> device;
        entry(say, device);
        return device;
    }
    return std::make_unique<MissingSynthDevice>(
        QStringLiteral("its module could not be loaded (%1)").arg(errors.join(QStringLiteral("; "))));
}

} // namespace host
