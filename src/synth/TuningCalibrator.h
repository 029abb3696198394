// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the presets the synthesizer plays, one after another in a worker thread, taking what the
// cache or the shipped table already knows, and settles each new result (puts what it can into the SoundFont)
// on that thread too; the synthesizer's thread asks for a preset and picks up what is left to correct.
#pragma once

#include "synth/ProgramQueue.h"
#include "synth/ProgramTuning.h"
#include "synth/TuningCache.h"
#include "synth/TuningTable.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace synth {

// A table of corrections measured in advance, and the file it may describe: it counts for the
// calibrator's SoundFont when that file has the table's size and content hash.
struct ShippedTuning {
    TuningTable table;
    std::string file; // read for the hash: the file the synthesizer holds
};

class TuningCalibrator {
public:
    using Measure = std::function<std::optional<ProgramTuning>(int program, std::stop_token)>;
    // Given every measurement so far, by program, corrects what it can and returns what is left.
    using Settle = std::function<std::map<int, ProgramTuning>(const std::map<int, ProgramTuning>& measured)>;

    // Measures with MeasureProgramTuning on `soundFont`. Without `settle` the results are the
    // measurements themselves.
    TuningCalibrator(std::string soundFont, TuningCache cache, Settle settle = {});
    // Measures with `measure` (the tests count its calls); `soundFont` only names the cache entries.
    // A preset comes from the cache, else from `shipped` when it describes the SoundFont, else from
    // a measurement.
    TuningCalibrator(std::string soundFont, TuningCache cache, Measure measure, Settle settle = {},
                     std::optional<ShippedTuning> shipped = std::nullopt);
    ~TuningCalibrator(); // stops a measurement under way and waits for the worker
    TuningCalibrator(const TuningCalibrator&) = delete;
    TuningCalibrator& operator=(const TuningCalibrator&) = delete;

    // Queues `program` unless it is queued or done already.
    void request(int program);
    // The corrected keys sound `cents` above equal temperament from the next settling on (a master
    // tune's tenths of a cent, which FluidSynth's whole-cent pitch cannot carry): what is measured
    // so far is settled again on the worker. The same aim changes nothing.
    void settleAt(double cents);
    // What is left of the preset's offsets once settled, when there is a result (a preset that
    // could not be measured has an uncorrected one).
    std::optional<ProgramTuning> result(int program) const;
    // The same, waiting up to `timeout` for it.
    std::optional<ProgramTuning> waitFor(int program, std::chrono::milliseconds timeout) const;
    // Grows with every result: a cheap sign that result() has something new.
    unsigned resultCount() const { return resultCount_.load(std::memory_order_acquire); }
    // Called on the worker's thread after each result is published (none while it is empty).
    void onResult(std::function<void()> handler);

private:
    void work(std::stop_token stop);
    std::optional<ProgramTuning> cachedOrMeasured(int program, std::stop_token stop);
    // Whether the shipped table describes the SoundFont: the size first, then the content hash,
    // remembered in the cache.
    bool shippedTableFits(std::stop_token stop) const;

    const std::string soundFont_;
    const TuningCache cache_;
    const Measure measure_;
    const Settle settle_;
    static constexpr int kSettleAgain = -1; // queued in place of a program by settleAt
    std::atomic<double> aimCents_{0};
    std::optional<ShippedTuning> shipped_;  // the worker's alone: reset when it does not fit
    std::map<int, ProgramTuning> measured_; // the worker's alone
    ProgramQueue queue_;
    ProgramResults<ProgramTuning> results_;
    std::atomic<unsigned> resultCount_{0};
    std::mutex handlerLock_;
    std::function<void()> onResult_; // under handlerLock_
    std::jthread worker_;            // last: starts once everything it uses exists, stops first
};

} // namespace synth
