// SPDX-License-Identifier: GPL-3.0-or-later
// The one place where a MIDI-output result becomes what the player reads: the box's first line
// ("error1" ... "error4", "NODRIVER", "NOTENABLED", ...) and the plain line below it.
#pragma once

#include "platform/MidiPorts.h"

namespace midi {

// When a device fails to open. At start-up the first line names the result; at a device switch
// it always says the device could not be opened.
enum class OpenMoment { StartUp, DeviceSwitch };

// Shows the box for a failed open; nothing for Result::Ok.
void ShowOpenFailure(Result result, OpenMoment moment);

// Shows the box for a system-exclusive send that failed: "error1" for NotReady, "error2" for
// Unprepared, "error3" for InvalidHandle, "error4" for InvalidParameter; nothing for any other
// result.
void ShowSendFailure(Result result);

} // namespace midi
