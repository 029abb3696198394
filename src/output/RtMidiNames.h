// SPDX-License-Identifier: GPL-3.0-or-later
// How external ports are named and found again: stable names, our own ports left out.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace output {

// The client name of every RtMidi client this program creates.
inline constexpr std::string_view kOwnClientName = "Velmora";

// An ALSA-sequencer port name as RtMidi reports it ("Client:Port 20:0"), without the client and
// port numbers that change from run to run.
std::string StableAlsaPortName(std::string_view rtMidiName);

// Whether a "client:port" name belongs to one of our own clients ("Velmora", or "Velmora-01" when
// JACK had to make the name unique).
bool IsOwnPort(std::string_view stableName);

// A port by its stable name; `occurrence` tells identical names apart (0 for the first), in the
// backend's order.
struct PortAddress {
    std::string name;
    int occurrence = 0;
    bool operator==(const PortAddress&) const = default;
};

// The addresses of `stableNames` (the backend's listing, in its order), our own ports and unnamed
// entries left out.
std::vector<PortAddress> ForeignPortAddresses(const std::vector<std::string>& stableNames);

// The position of `address` in `stableNames`, if the port is still there.
std::optional<unsigned> FindPort(const std::vector<std::string>& stableNames, const PortAddress& address);

// The stable names of an ALSA-sequencer listing as RtMidi reports it, in its order.
std::vector<std::string> StableAlsaPortNames(const std::vector<std::string>& rtMidiNames);

// Whether the port at `address` in a listing as RtMidi reports it is still the one opened under
// `openedName`, numbers included: a port that went away and came back under other numbers has
// lost our connection and must be opened anew.
bool IsStillTheOpenedAlsaPort(const std::vector<std::string>& rtMidiNames, const PortAddress& address,
                              std::string_view openedName);

} // namespace output
