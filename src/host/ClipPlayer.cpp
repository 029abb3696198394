// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the WAVE file's format and samples, and writing them to ALSA's default output.
#include "host/ClipPlayer.h"

#include "output/QuietSoundLibraries.h"

#include <alsa/asoundlib.h>

#include <QtEndian>

#include <algorithm>
#include <memory>

namespace host {
namespace {

std::uint32_t Word32(std::span<const char> bytes, std::size_t at)
{
    return qFromLittleEndian<std::uint32_t>(bytes.data() + at);
}

std::uint16_t Word16(std::span<const char> bytes, std::size_t at)
{
    return qFromLittleEndian<std::uint16_t>(bytes.data() + at);
}

struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
using PcmHandle = std::unique_ptr<snd_pcm_t, PcmCloser>;

PcmHandle OpenOutput(const Pcm16& format)
{
    const output::AlsaMessagesSilenced quiet; // a machine without sound stays silent, not verbose
    snd_pcm_t* opened = nullptr;
    if (snd_pcm_open(&opened, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0)
        return nullptr;
    PcmHandle pcm(opened);
    constexpr unsigned kLatencyMicroseconds = 100'000; // how late a stop may cut the sound off
    if (snd_pcm_set_params(pcm.get(), SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, format.channels,
                           format.rate, 1, kLatencyMicroseconds) < 0)
        return nullptr;
    return pcm;
}

} // namespace

std::optional<Pcm16> ReadWave(std::span<const char> file)
{
    if (file.size() < 12 || !std::equal(file.begin(), file.begin() + 4, "RIFF") ||
        !std::equal(file.begin() + 8, file.begin() + 12, "WAVE"))
        return std::nullopt;
    Pcm16 pcm;
    bool formatRead = false;
    for (std::size_t at = 12; at + 8 <= file.size();) {
        const std::span<const char> id = file.subspan(at, 4);
        const std::size_t size = std::min<std::size_t>(Word32(file, at + 4), file.size() - at - 8);
        const std::span<const char> body = file.subspan(at + 8, size);
        if (std::equal(id.begin(), id.end(), "fmt ") && body.size() >= 16) {
            const bool pcm16 = Word16(body, 0) == 1 && Word16(body, 14) == 16;
            pcm.channels = Word16(body, 2);
            pcm.rate = Word32(body, 4);
            formatRead = pcm16 && pcm.channels > 0 && pcm.rate > 0;
        } else if (std::equal(id.begin(), id.end(), "data") && formatRead) {
            pcm.frames = body.first(body.size() / (2 * pcm.channels) * 2 * pcm.channels);
            return pcm;
        }
        at += 8 + size + size % 2; // chunks are padded to an even size
    }
    return std::nullopt;
}

ClipPlayer::ClipPlayer(QByteArray wave) : wave_(std::move(wave))
{
}

ClipPlayer::~ClipPlayer() = default; // the thread stops first

void ClipPlayer::play()
{
    thread_ = {}; // the play under way stops and ends before the next begins
    state_ = State::Opening;
    thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
}

void ClipPlayer::run(std::stop_token stop)
{
    const auto format = ReadWave(std::span(wave_.constData(), static_cast<std::size_t>(wave_.size())));
    PcmHandle pcm = format ? OpenOutput(*format) : nullptr;
    if (!pcm) {
        state_ = State::Ended;
        return;
    }
    state_ = State::Playing;
    const std::size_t frameBytes = 2 * format->channels;
    constexpr snd_pcm_uframes_t kFramesPerWrite = 1024; // so that a stop is heard within a write
    std::span<const char> left = format->frames;
    while (!left.empty() && !stop.stop_requested()) {
        const auto frames = std::min<snd_pcm_uframes_t>(kFramesPerWrite, left.size() / frameBytes);
        snd_pcm_sframes_t written = snd_pcm_writei(pcm.get(), left.data(), frames);
        if (written < 0)
            written = snd_pcm_recover(pcm.get(), static_cast<int>(written), 1);
        if (written < 0)
            break;
        left = left.subspan(static_cast<std::size_t>(written) * frameBytes);
    }
    if (stop.stop_requested())
        snd_pcm_drop(pcm.get());
    else
        snd_pcm_drain(pcm.get());
    state_ = State::Ended;
}

} // namespace host
