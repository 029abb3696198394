// SPDX-License-Identifier: GPL-3.0-or-later
// A port that opens on a thread of its own, so that the windows need not wait for the built-in
// synthesizer to load its SoundFont and start its audio output.
#pragma once

#include "midi/Midi.h"
#include "output/Port.h"
#include "synth/LateNotes.h"

#include <QObject>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <variant>
#include <vector>

namespace synth {

class OpeningPort final : public output::Port {
public:
    // What opening gave: the open port, or why there is none.
    struct Opened {
        std::unique_ptr<output::Port> port;
        output::Result failure = output::Result::Ok;
    };
    using Open = std::function<Opened()>;
    // Called once after opening failed: from the event loop of the thread that made the port, or
    // from the first message sent after, whichever comes first.
    using SayFailure = std::function<void(output::Result)>;

    // Starts `open` on the port's thread at once.
    OpeningPort(Open open, SayFailure sayFailure);

    // Before the port is open, messages are kept and handed on in order once it is; a key pressed
    // meanwhile then sounds as long as it was held, released before the open or after. After
    // opening failed they answer its failure.
    output::Result sendShort(const midi::ShortMessage& message) override;
    output::Result sendSysex(std::span<const std::uint8_t> bytes) override;
    output::Result reset() override;
    bool needsPacing() const override { return false; }
    bool reconnect() override;
    output::BeatEmphasis* beatEmphasis() override;
    // Still opening: not known yet.
    std::optional<output::InstrumentPartials> partials(int bank, int program) override;
    bool offersOwnInstruments() const override { return true; }

    // What opening gave (Ok, or why it failed) once it has ended; none while it still runs after
    // `patience`.
    std::optional<output::Result> waitUntilOpened(std::chrono::milliseconds patience);

private:
    using Clock = std::chrono::steady_clock;
    struct Reset {};
    struct Kept {
        std::variant<midi::ShortMessage, std::vector<std::uint8_t>, Reset> message;
        Clock::time_point at;
    };
    // A note-off kept with its note-on: sent as long after the note's late start as the key was held.
    struct DueNoteOff {
        midi::ShortMessage message;
        Clock::time_point due;
    };

    void run(const Open& open, std::stop_token stop);
    // Under lock_: hands the kept messages on in the order they came.
    void handOnKept();
    // Under lock_: a note-off of a note that began late waits to be due; true when it does.
    bool putOffNoteOff(const midi::ShortMessage& message, Clock::time_point sent);
    // Under lock_: sends the note-offs that are due, and the one of `key`'s key, if any.
    void sendDueNoteOffs(const midi::ShortMessage* key = nullptr);
    // Under lock_: what a message gets before the port is open (kept) or after it failed.
    output::Result notOpenYet(Kept kept);
    void sayFailureOnce();

    SayFailure sayFailure_;
    QObject sayer_; // of the thread that made the port: its event loop says the failure
    std::mutex lock_;
    std::condition_variable_any changed_;
    bool ended_ = false; // under lock_: opening has ended, `port_` open or `failure_` set
    std::unique_ptr<output::Port> port_;
    output::Result failure_ = output::Result::Ok;
    bool failureSaid_ = false;
    std::vector<Kept> kept_;
    std::vector<DueNoteOff> dueNoteOffs_;
    LateNotes late_; // the notes handed on late whose key is still held
    // Declared last: stops (after opening, if it is under way) before anything it uses goes.
    std::jthread thread_;
};

} // namespace synth
