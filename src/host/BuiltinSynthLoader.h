// SPDX-License-Identifier: GPL-3.0-or-later
// Device 0 from the built-in synthesizer's module, loaded at run time.
#pragma once

#include "output/Port.h"
#include "synth/SayToPlayer.h"

#include <QStringList>

#include <memory>

namespace host {

// Where the module is looked for: beside the program, then in ../lib/velmora of an installed one.
QStringList BuiltinSynthFolders(const QString& programFolder);

// Device 0 as the first module found in `folders` makes it. Without one the device is still listed
// and fails to open with output::Result::Missing, saying why on stderr. The module stays loaded for
// the rest of the run: the device and its ports run its code.
std::unique_ptr<output::Device> LoadBuiltinSynthDevice(const QStringList& folders,
                                                       const synth::SayToPlayer& say);

} // namespace host
