// SPDX-License-Identifier: GPL-3.0-or-later
// The worker's loop: take the next requested preset, look in the cache, measure when it must.
#include "synth/TuningCalibrator.h"

#include <QFileInfo>

namespace synth {

TuningCalibrator::TuningCalibrator(std::string soundFont, TuningCache cache, Settle settle)
    : TuningCalibrator(
          soundFont, std::move(cache),
          [soundFont](int program, std::stop_token stop) {
              return MeasureProgramTuning(soundFont, program, stop);
          },
          std::move(settle))
{
}

TuningCalibrator::TuningCalibrator(std::string soundFont, TuningCache cache, Measure measure, Settle settle,
                                   std::optional<ShippedTuning> shipped)
    : soundFont_(std::move(soundFont)), cache_(std::move(cache)), measure_(std::move(measure)),
      settle_(std::move(settle)), shipped_(std::move(shipped)),
      worker_([this](std::stop_token stop) { work(stop); })
{
}

TuningCalibrator::~TuningCalibrator()
{
    worker_.request_stop();
    worker_.join(); // before the members the worker uses go
}

void TuningCalibrator::request(int program)
{
    queue_.push(program);
}

std::optional<ProgramTuning> TuningCalibrator::result(int program) const
{
    return waitFor(program, std::chrono::milliseconds(0));
}

std::optional<ProgramTuning> TuningCalibrator::waitFor(int program, std::chrono::milliseconds timeout) const
{
    return results_.waitFor(program, timeout);
}

void TuningCalibrator::settleAt(double cents)
{
    if (aimCents_.exchange(cents) != cents)
        queue_.pushAgain(kSettleAgain);
}

namespace {

// The measurements as offsets from the aim: settled, they bring each corrected key to it.
std::map<int, ProgramTuning> Aimed(std::map<int, ProgramTuning> measured, double aimCents)
{
    if (aimCents == 0)
        return measured;
    for (auto& [program, tuning] : measured)
        for (auto* offsets : {&tuning.offsets, &tuning.leftOffsets, &tuning.rightOffsets})
            for (double& offset : *offsets)
                offset -= aimCents;
    return measured;
}

} // namespace

void TuningCalibrator::work(std::stop_token stop)
{
    // At once, before the first request needs it: at a first start hashing the SoundFont is what
    // the piano waits for.
    if (shipped_ && !shippedTableFits(stop))
        shipped_.reset();
    while (const auto program = queue_.next(stop)) {
        if (*program != kSettleAgain) {
            const auto tuning = cachedOrMeasured(*program, stop);
            if (stop.stop_requested())
                return;
            // A SoundFont that cannot be read gives an uncorrected result: the preset plays as it
            // is, and whoever waits for it goes on.
            measured_[*program] = tuning.value_or(ProgramTuning{});
        }
        const auto aimed = Aimed(measured_, aimCents_.load());
        results_.publish(settle_ ? settle_(aimed) : aimed);
        resultCount_.fetch_add(1, std::memory_order_release);
        std::function<void()> handler;
        {
            const std::lock_guard lock(handlerLock_);
            handler = onResult_;
        }
        if (handler)
            handler();
    }
}

void TuningCalibrator::onResult(std::function<void()> handler)
{
    const std::lock_guard lock(handlerLock_);
    onResult_ = std::move(handler);
}

std::optional<ProgramTuning> TuningCalibrator::cachedOrMeasured(int program, std::stop_token stop)
{
    if (auto cached = cache_.load(soundFont_, program))
        return cached;
    if (shipped_)
        if (auto shipped = shipped_->table.find(program))
            return shipped;
    auto measured = measure_(program, stop);
    if (measured)
        cache_.store(soundFont_, program, *measured); // not kept: measured again on the next run
    return measured;
}

bool TuningCalibrator::shippedTableFits(std::stop_token stop) const
{
    if (QFileInfo(QString::fromStdString(shipped_->file)).size() != shipped_->table.size)
        return false;
    if (const auto remembered = cache_.loadContentHash(soundFont_))
        return *remembered == shipped_->table.contentHash;
    const auto hash = ContentHash(shipped_->file, stop);
    if (hash)
        cache_.storeContentHash(soundFont_, *hash);
    return hash == shipped_->table.contentHash;
}

} // namespace synth
