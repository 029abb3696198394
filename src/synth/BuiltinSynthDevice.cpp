// Placeholder until the synthesizer lands: a device that opens and accepts messages silently.
#include "synth/BuiltinSynthDevice.h"

namespace synth {
namespace {

class SilentPort final : public platform::MidiOutPort {
public:
    MMRESULT sendShort(DWORD) override { return MMSYSERR_NOERROR; }
    MMRESULT sendLong(std::span<const std::uint8_t>) override { return MMSYSERR_NOERROR; }
    MMRESULT reset() override { return MMSYSERR_NOERROR; }
};

class SilentDevice final : public platform::MidiOutDevice {
public:
    std::string name() const override { return "内蔵シンセサイザー"; }
    MMRESULT open(std::unique_ptr<platform::MidiOutPort>& port) override
    {
        port = std::make_unique<SilentPort>();
        return MMSYSERR_NOERROR;
    }
};

} // namespace

std::unique_ptr<platform::MidiOutDevice> MakeBuiltinSynthDevice()
{
    return std::make_unique<SilentDevice>();
}

} // namespace synth
