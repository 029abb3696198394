// SPDX-License-Identifier: GPL-3.0-or-later
// What a measuring worker shares with the threads that ask: the programs asked for, each once, taken
// one at a time; and the results by program, which an asking thread may wait for.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <stop_token>

namespace synth {

class ProgramQueue {
public:
    // Queues `program` unless it was asked for before.
    void push(int program)
    {
        {
            const std::lock_guard lock(mutex_);
            if (!requested_.insert(program).second)
                return;
            queue_.push_back(program);
        }
        queued_.notify_all();
    }

    // Queues `program` again, also when it was asked for before, unless it waits in the queue now.
    void pushAgain(int program)
    {
        {
            const std::lock_guard lock(mutex_);
            if (std::find(queue_.begin(), queue_.end(), program) != queue_.end())
                return;
            requested_.insert(program);
            queue_.push_back(program);
        }
        queued_.notify_all();
    }
    // The worker: the next program asked for, waiting for one; nullopt once a stop is requested.
    std::optional<int> next(std::stop_token stop)
    {
        std::unique_lock lock(mutex_);
        if (!queued_.wait(lock, stop, [&] { return !queue_.empty(); }) || stop.stop_requested())
            return std::nullopt;
        const int program = queue_.front();
        queue_.pop_front();
        return program;
    }

private:
    std::mutex mutex_;
    std::condition_variable_any queued_;
    std::deque<int> queue_;
    std::set<int> requested_;
};

template <class Result> class ProgramResults {
public:
    // The program's result, waiting up to `timeout` for it.
    std::optional<Result> waitFor(int program, std::chrono::milliseconds timeout) const
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return results_.contains(program); });
        const auto found = results_.find(program);
        return found == results_.end() ? std::nullopt : std::optional(found->second);
    }

    // The worker: replaces all results, or one.
    void publish(std::map<int, Result> results)
    {
        {
            const std::lock_guard lock(mutex_);
            results_ = std::move(results);
        }
        changed_.notify_all();
    }
    void publish(int program, Result result)
    {
        {
            const std::lock_guard lock(mutex_);
            results_[program] = std::move(result);
        }
        changed_.notify_all();
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::map<int, Result> results_;
};

} // namespace synth
