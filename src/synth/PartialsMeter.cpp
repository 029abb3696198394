// SPDX-License-Identifier: GPL-3.0-or-later
// The worker's loop: take the next requested preset, look in the cache, measure when it must.
#include "synth/PartialsMeter.h"

namespace synth {
namespace {

const QString kKind = QStringLiteral("partials");

} // namespace

PartialsMeter::PartialsMeter(std::string soundFont, TuningCache cache, Measure measure)
    : soundFont_(std::move(soundFont)), cache_(std::move(cache)), measure_(std::move(measure)),
      worker_([this](std::stop_token stop) { work(stop); })
{
}

PartialsMeter::~PartialsMeter()
{
    worker_.request_stop();
    worker_.join(); // before the members the worker uses go
}

void PartialsMeter::work(std::stop_token stop)
{
    while (const auto program = queue_.next(stop)) {
        const auto partials = cachedOrMeasured(*program, stop);
        if (stop.stop_requested())
            return;
        results_.publish(*program, partials.value_or(ProgramPartials{}));
    }
}

std::optional<ProgramPartials> PartialsMeter::cachedOrMeasured(int program, std::stop_token stop) const
{
    if (const auto entry = cache_.loadEntry(soundFont_, program, kKind, kPartialsMethod))
        if (auto cached = ReadPartials(*entry))
            return cached;
    auto measured = measure_(program, stop);
    if (measured)
        cache_.storeEntry(soundFont_, program, kKind, kPartialsMethod, WrittenPartials(*measured));
    return measured;
}

} // namespace synth
