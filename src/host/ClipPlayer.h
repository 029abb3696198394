// SPDX-License-Identifier: GPL-3.0-or-later
// The title clip through ALSA's default output on a thread of its own. Qt Multimedia would load a
// network stack and a dozen libraries before the windows, for a clip of four seconds.
#pragma once

#include <QByteArray>

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <thread>

namespace host {

// The format and samples of a WAVE file of 16-bit PCM.
struct Pcm16 {
    unsigned channels = 0;
    unsigned rate = 0;
    std::span<const char> frames; // interleaved little-endian samples, whole frames only
};

// What `file` holds if it is a RIFF WAVE file of 16-bit PCM: every chunk taken only as far as the
// file goes. None for anything else.
std::optional<Pcm16> ReadWave(std::span<const char> file);

class ClipPlayer {
public:
    enum class State : std::uint8_t { Opening, Playing, Ended };

    // `wave`: a whole RIFF WAVE file of 16-bit PCM. Stops playing when it goes.
    explicit ClipPlayer(QByteArray wave);
    ~ClipPlayer();
    ClipPlayer(const ClipPlayer&) = delete;
    ClipPlayer& operator=(const ClipPlayer&) = delete;

    // Plays the clip from its beginning and returns at once, ending a play still under way; silent
    // when the file is no such WAVE or no output opens.
    void play();
    // Of the last play: Ended once it has played through, been stopped or found no output.
    State state() const { return state_; }

private:
    void run(std::stop_token stop);

    QByteArray wave_;
    std::atomic<State> state_{State::Ended}; // nothing plays before the first play
    std::jthread thread_;
};

} // namespace host
