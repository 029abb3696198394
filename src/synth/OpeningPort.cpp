// SPDX-License-Identifier: GPL-3.0-or-later
#include "synth/OpeningPort.h"

#include <algorithm>

namespace synth {

OpeningPort::OpeningPort(Open open, SayFailure sayFailure)
    : sayFailure_(std::move(sayFailure)),
      thread_([this, open = std::move(open)](std::stop_token stop) { run(open, stop); })
{
}

void OpeningPort::run(const Open& open, std::stop_token stop)
{
    Opened opened = open();
    std::unique_lock lock(lock_);
    port_ = std::move(opened.port);
    failure_ = port_ ? output::Result::Ok : opened.failure;
    if (port_)
        handOnKept();
    kept_.clear();
    ended_ = true;
    changed_.notify_all();
    if (!port_) // told at once, not only at the player's next key
        QMetaObject::invokeMethod(
            &sayer_, [this] { sayFailureOnce(); }, Qt::QueuedConnection);
    // The note-offs of the notes that began late, each when it is due: those of keys released
    // before the port was open, and those of keys still held, whenever they are released.
    while (!stop.stop_requested() && (!dueNoteOffs_.empty() || !late_.empty())) {
        if (dueNoteOffs_.empty()) {
            changed_.wait(lock, stop, [&] { return !dueNoteOffs_.empty() || late_.empty(); });
            continue;
        }
        const auto next =
            std::min_element(dueNoteOffs_.begin(), dueNoteOffs_.end(),
                             [](const DueNoteOff& a, const DueNoteOff& b) { return a.due < b.due; });
        const std::size_t due = dueNoteOffs_.size();
        changed_.wait_until(lock, stop, next->due, [&] { return dueNoteOffs_.size() != due; });
        sendDueNoteOffs();
    }
}

// Every kept note begins late, by the time the port took to open; its note-off, kept or still to
// come, is due as late after its release.
void OpeningPort::handOnKept()
{
    const Clock::time_point now = Clock::now();
    for (const Kept& kept : kept_) {
        if (std::holds_alternative<Reset>(kept.message)) {
            dueNoteOffs_.clear();
            late_.clear();
            port_->reset();
        } else if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&kept.message)) {
            port_->sendSysex(*bytes);
        } else {
            const auto& message = std::get<midi::ShortMessage>(kept.message);
            if (putOffNoteOff(message, kept.at))
                continue;
            sendDueNoteOffs(&message);
            port_->sendShort(message);
            if (midi::IsNote(message) && !midi::IsNoteOff(message))
                late_.started(message, now - kept.at);
        }
    }
}

bool OpeningPort::putOffNoteOff(const midi::ShortMessage& message, Clock::time_point sent)
{
    const auto due = late_.dueOf(message, sent);
    if (!due)
        return false;
    dueNoteOffs_.push_back({message, *due});
    changed_.notify_all();
    return true;
}

void OpeningPort::sendDueNoteOffs(const midi::ShortMessage* key)
{
    const Clock::time_point now = Clock::now();
    std::erase_if(dueNoteOffs_, [&](const DueNoteOff& noteOff) {
        if (noteOff.due > now && !(key && midi::SameKey(noteOff.message, *key)))
            return false;
        port_->sendShort(noteOff.message);
        return true;
    });
}

output::Result OpeningPort::notOpenYet(Kept kept)
{
    if (!ended_) {
        kept_.push_back(std::move(kept));
        return output::Result::Ok;
    }
    return failure_;
}

void OpeningPort::sayFailureOnce()
{
    output::Result failure = output::Result::Ok;
    {
        const std::lock_guard lock(lock_);
        if (!ended_ || port_ || failureSaid_)
            return;
        failureSaid_ = true;
        failure = failure_;
    }
    if (sayFailure_)
        sayFailure_(failure); // unlocked: a message box runs an event loop of its own
}

output::Result OpeningPort::sendShort(const midi::ShortMessage& message)
{
    if (message.size == 0)
        return output::Result::Refused;
    sayFailureOnce();
    const std::lock_guard lock(lock_);
    if (!port_)
        return notOpenYet({message, Clock::now()});
    if (putOffNoteOff(message, Clock::now()))
        return output::Result::Ok;
    sendDueNoteOffs(&message);
    return port_->sendShort(message);
}

output::Result OpeningPort::sendSysex(std::span<const std::uint8_t> bytes)
{
    sayFailureOnce();
    const std::lock_guard lock(lock_);
    if (!port_)
        return notOpenYet({std::vector<std::uint8_t>(bytes.begin(), bytes.end()), Clock::now()});
    return port_->sendSysex(bytes);
}

output::Result OpeningPort::reset()
{
    const std::lock_guard lock(lock_);
    if (!port_)
        return notOpenYet({Reset{}, Clock::now()});
    dueNoteOffs_.clear();
    late_.clear();
    changed_.notify_all();
    return port_->reset();
}

bool OpeningPort::reconnect()
{
    const std::lock_guard lock(lock_);
    return port_ && port_->reconnect();
}

output::BeatEmphasis* OpeningPort::beatEmphasis()
{
    const std::lock_guard lock(lock_);
    return port_ ? port_->beatEmphasis() : nullptr;
}

std::optional<output::InstrumentPartials> OpeningPort::partials(int bank, int program)
{
    const std::lock_guard lock(lock_);
    if (port_)
        return port_->partials(bank, program);
    return ended_ ? std::nullopt : std::optional(output::InstrumentPartials{.measuring = true, .keys = {}});
}

std::optional<output::Result> OpeningPort::waitUntilOpened(std::chrono::milliseconds patience)
{
    std::unique_lock lock(lock_);
    if (!changed_.wait_for(lock, patience, [&] { return ended_; }))
        return std::nullopt;
    return failure_;
}

} // namespace synth
