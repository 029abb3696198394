// SPDX-License-Identifier: GPL-3.0-or-later
#include "synth/OpeningPort.h"

#include <algorithm>

namespace synth {

namespace {

bool IsNote(std::uint32_t word)
{
    const int kind = midi::KindOf(std::uint8_t(word));
    return kind == midi::kNoteOn || kind == midi::kNoteOff;
}

bool IsNoteOff(std::uint32_t word)
{
    return midi::KindOf(std::uint8_t(word)) == midi::kNoteOff ||
           (midi::KindOf(std::uint8_t(word)) == midi::kNoteOn && ((word >> 16) & 0x7F) == 0);
}

// Both notes of one key of one channel.
bool SameKey(std::uint32_t a, std::uint32_t b)
{
    return IsNote(a) && IsNote(b) && (a & 0x0F) == (b & 0x0F) && ((a >> 8) & 0xFF) == ((b >> 8) & 0xFF);
}

} // namespace

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
    failure_ = port_ ? midi::Result::Ok : opened.failure;
    if (port_)
        handOnKept();
    kept_.clear();
    ended_ = true;
    changed_.notify_all();
    if (!port_) // told at once, not only at the player's next key
        QMetaObject::invokeMethod(
            &sayer_, [this] { sayFailureOnce(); }, Qt::QueuedConnection);
    // The note-offs of keys released before the port was open, each when it is due.
    while (!dueNoteOffs_.empty() && !stop.stop_requested()) {
        const auto next =
            std::min_element(dueNoteOffs_.begin(), dueNoteOffs_.end(),
                             [](const DueNoteOff& a, const DueNoteOff& b) { return a.due < b.due; });
        changed_.wait_until(lock, stop, next->due, [] { return false; });
        sendDueNoteOffs();
    }
}

void OpeningPort::handOnKept()
{
    const Clock::time_point now = Clock::now();
    for (auto it = kept_.begin(); it != kept_.end(); ++it) {
        if (std::holds_alternative<Reset>(it->message)) {
            dueNoteOffs_.clear();
            port_->reset();
        } else if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&it->message)) {
            port_->sendLong(*bytes);
        } else {
            const std::uint32_t word = std::get<std::uint32_t>(it->message);
            // The latest earlier message of this key: a note-on makes this note-off wait.
            const auto pressed =
                std::find_if(std::make_reverse_iterator(it), kept_.rend(), [&](const Kept& k) {
                    const auto* earlier = std::get_if<std::uint32_t>(&k.message);
                    return earlier && SameKey(*earlier, word);
                });
            if (IsNoteOff(word) && pressed != kept_.rend() &&
                !IsNoteOff(std::get<std::uint32_t>(pressed->message))) {
                dueNoteOffs_.push_back({word, now + (it->at - pressed->at)});
                continue;
            }
            sendDueNoteOffs(word);
            port_->sendShort(word);
        }
    }
}

void OpeningPort::sendDueNoteOffs(std::uint32_t word)
{
    const Clock::time_point now = Clock::now();
    std::erase_if(dueNoteOffs_, [&](const DueNoteOff& noteOff) {
        if (noteOff.due > now && !SameKey(noteOff.word, word))
            return false;
        port_->sendShort(noteOff.word);
        return true;
    });
}

midi::Result OpeningPort::notOpenYet(Kept kept)
{
    if (!ended_) {
        kept_.push_back(std::move(kept));
        return midi::Result::Ok;
    }
    return failure_;
}

void OpeningPort::sayFailureOnce()
{
    midi::Result failure = midi::Result::Ok;
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

midi::Result OpeningPort::sendShort(std::uint32_t word)
{
    if (!midi::UnpackShortWord(word))
        return midi::Result::InvalidParameter;
    sayFailureOnce();
    const std::lock_guard lock(lock_);
    if (!port_)
        return notOpenYet({word, Clock::now()});
    sendDueNoteOffs(word);
    return port_->sendShort(word);
}

midi::Result OpeningPort::sendLong(std::span<const std::uint8_t> bytes)
{
    sayFailureOnce();
    const std::lock_guard lock(lock_);
    if (!port_)
        return notOpenYet({std::vector<std::uint8_t>(bytes.begin(), bytes.end()), Clock::now()});
    return port_->sendLong(bytes);
}

midi::Result OpeningPort::reset()
{
    const std::lock_guard lock(lock_);
    if (!port_)
        return notOpenYet({Reset{}, Clock::now()});
    dueNoteOffs_.clear();
    return port_->reset();
}

bool OpeningPort::reconnect()
{
    const std::lock_guard lock(lock_);
    return port_ && port_->reconnect();
}

platform::BeatEmphasis* OpeningPort::beatEmphasis()
{
    const std::lock_guard lock(lock_);
    return port_ ? port_->beatEmphasis() : nullptr;
}

std::optional<midi::Result> OpeningPort::waitUntilOpened(std::chrono::milliseconds patience)
{
    std::unique_lock lock(lock_);
    if (!changed_.wait_for(lock, patience, [&] { return ended_; }))
        return std::nullopt;
    return failure_;
}

} // namespace synth
