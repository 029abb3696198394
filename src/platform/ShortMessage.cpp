// Unpacking short-message words, checked against what each status calls for.
#include "platform/ShortMessage.h"

namespace platform {
namespace {

// Bytes in a message with this status, the status included; 0 where no short message has it.
std::size_t MessageLength(std::uint8_t status)
{
    if (status < 0x80)
        return 0;
    if (status < 0xF0) {
        const std::uint8_t kind = status & 0xF0;
        return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
    }
    switch (status) {
    case 0xF1: // time-code quarter frame
    case 0xF3: // song select
        return 2;
    case 0xF2: // song position
        return 3;
    case 0xF6:
    case 0xF8:
    case 0xFA:
    case 0xFB:
    case 0xFC:
    case 0xFE:
    case 0xFF:
        return 1;
    default: // system exclusive, its end, and the undefined ones
        return 0;
    }
}

} // namespace

std::optional<ShortMessage> UnpackShortMessage(DWORD word)
{
    ShortMessage message;
    message.size = MessageLength(word & 0xFF);
    if (message.size == 0)
        return std::nullopt;
    for (std::size_t i = 0; i < message.size; ++i) {
        message.bytes[i] = (word >> (8 * i)) & 0xFF;
        if (i > 0 && message.bytes[i] >= 0x80)
            return std::nullopt;
    }
    return message;
}

} // namespace platform
