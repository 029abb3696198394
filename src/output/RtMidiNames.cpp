// SPDX-License-Identifier: GPL-3.0-or-later
// How external ports are named and found again.
#include "output/RtMidiNames.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace output {
namespace {

bool AllDigits(std::string_view text)
{
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

} // namespace

std::string StableAlsaPortName(std::string_view rtMidiName)
{
    const auto space = rtMidiName.rfind(' ');
    if (space == std::string_view::npos)
        return std::string(rtMidiName);
    const std::string_view numbers = rtMidiName.substr(space + 1);
    const auto colon = numbers.find(':');
    if (colon == std::string_view::npos || !AllDigits(numbers.substr(0, colon)) ||
        !AllDigits(numbers.substr(colon + 1)))
        return std::string(rtMidiName);
    return std::string(rtMidiName.substr(0, space));
}

bool IsOwnPort(std::string_view stableName)
{
    const auto colon = stableName.find(':');
    if (colon == std::string_view::npos)
        return false;
    const std::string_view client = stableName.substr(0, colon);
    if (!client.starts_with(kOwnClientName))
        return false;
    const std::string_view rest = client.substr(kOwnClientName.size());
    return rest.empty() || (rest.starts_with('-') && AllDigits(rest.substr(1)));
}

std::vector<PortAddress> ForeignPortAddresses(const std::vector<std::string>& stableNames)
{
    std::vector<PortAddress> addresses;
    std::map<std::string, int> seen;
    for (const auto& name : stableNames)
        if (!name.empty() && !IsOwnPort(name))
            addresses.push_back({name, seen[name]++});
    return addresses;
}

std::optional<unsigned> FindPort(const std::vector<std::string>& stableNames, const PortAddress& address)
{
    int occurrence = 0;
    for (unsigned index = 0; index < stableNames.size(); ++index)
        if (stableNames[index] == address.name && occurrence++ == address.occurrence)
            return index;
    return std::nullopt;
}

std::vector<std::string> StableAlsaPortNames(const std::vector<std::string>& rtMidiNames)
{
    std::vector<std::string> names;
    names.reserve(rtMidiNames.size());
    for (const auto& name : rtMidiNames)
        names.push_back(StableAlsaPortName(name));
    return names;
}

bool IsStillTheOpenedAlsaPort(const std::vector<std::string>& rtMidiNames, const PortAddress& address,
                              std::string_view openedName)
{
    const auto index = FindPort(StableAlsaPortNames(rtMidiNames), address);
    return index && rtMidiNames[*index] == openedName;
}

} // namespace output
