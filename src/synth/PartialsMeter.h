// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the partials of the presets the player selects, one after another in a worker thread of
// its own, taking what the cache already knows: neither the audio thread nor the windows wait for it.
#pragma once

#include "synth/MeasuredPartials.h"
#include "synth/TuningCache.h"

#include "synth/ProgramQueue.h"

#include <chrono>
#include <functional>
#include <thread>

namespace synth {

class PartialsMeter {
public:
    using Measure = std::function<std::optional<ProgramPartials>(int program, std::stop_token)>;

    // Measures with `measure`; `soundFont` only names the cache entries.
    PartialsMeter(std::string soundFont, TuningCache cache, Measure measure);
    ~PartialsMeter(); // stops a measurement under way and waits for the worker
    PartialsMeter(const PartialsMeter&) = delete;
    PartialsMeter& operator=(const PartialsMeter&) = delete;

    // Queues `program` unless it is queued or done already.
    void request(int program) { queue_.push(program); }
    // The program's partials once known; a preset that could not be measured has no clean one.
    std::optional<ProgramPartials> result(int program) const { return waitFor(program, {}); }
    // The same, waiting up to `timeout` for it.
    std::optional<ProgramPartials> waitFor(int program, std::chrono::milliseconds timeout) const
    {
        return results_.waitFor(program, timeout);
    }

private:
    void work(std::stop_token stop);
    std::optional<ProgramPartials> cachedOrMeasured(int program, std::stop_token stop) const;

    const std::string soundFont_;
    const TuningCache cache_;
    const Measure measure_;
    ProgramQueue queue_;
    ProgramResults<ProgramPartials> results_;
    std::jthread worker_; // last: starts once everything it uses exists, stops first
};

} // namespace synth
