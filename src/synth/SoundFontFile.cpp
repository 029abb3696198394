// SPDX-License-Identifier: GPL-3.0-or-later
// The held descriptor and its name in /proc.
#include "synth/SoundFontFile.h"

#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace synth {
namespace {

constexpr char kHeldFiles[] = "/proc/self/fd/";

} // namespace

SoundFontFile::SoundFontFile(std::string path) : path_(std::move(path))
{
    if (path_.starts_with(kHeldFiles)) {
        pathInUse_ = path_;
    } else {
        descriptor_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor_ < 0)
            return;
        const std::string held = kHeldFiles + std::to_string(descriptor_);
        pathInUse_ = ::access(held.c_str(), R_OK) == 0 ? held : path_;
    }
    opened_ = identityNow();
}

SoundFontFile::~SoundFontFile()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

SoundFontFile::SoundFontFile(SoundFontFile&& other) noexcept
    : path_(std::move(other.path_)), pathInUse_(std::exchange(other.pathInUse_, {})),
      descriptor_(std::exchange(other.descriptor_, -1)), opened_(other.opened_)
{
}

SoundFontFile& SoundFontFile::operator=(SoundFontFile&& other) noexcept
{
    if (this != &other) {
        if (descriptor_ >= 0)
            ::close(descriptor_);
        path_ = std::move(other.path_);
        pathInUse_ = std::exchange(other.pathInUse_, {});
        descriptor_ = std::exchange(other.descriptor_, -1);
        opened_ = other.opened_;
    }
    return *this;
}

bool SoundFontFile::stillThere() const
{
    struct stat atPath {};
    if (::stat(path_.c_str(), &atPath) != 0)
        return false;
    struct stat held {};
    if (descriptor_ < 0 || ::fstat(descriptor_, &held) != 0)
        return true; // nothing held to compare with: the path is all there is
    return atPath.st_dev == held.st_dev && atPath.st_ino == held.st_ino;
}

SoundFontFile::Identity SoundFontFile::identityNow() const
{
    struct stat now {};
    const int result = descriptor_ >= 0 ? ::fstat(descriptor_, &now) : ::stat(pathInUse_.c_str(), &now);
    if (result != 0)
        return {};
    return {.size = now.st_size,
            .modifiedSeconds = now.st_mtim.tv_sec,
            .modifiedNanoseconds = now.st_mtim.tv_nsec};
}

bool SoundFontFile::unchanged() const
{
    return opened_.size >= 0 && identityNow() == opened_;
}

} // namespace synth
