// SPDX-License-Identifier: GPL-3.0-or-later
// The one place where a MIDI-output result becomes what the player reads: the box's first line
// ("error1" ... "error4", "NODRIVER", "NOTENABLED", ...) and the plain line below it.
#pragma once

#include "output/Port.h"
#include "windows/Desktop.h"

namespace windows {

// When a device fails to open. At start-up the first line names the result; at a device switch
// it always says the device could not be opened.
enum class OpenMoment { StartUp, DeviceSwitch };

// Shows the box for a failed open; nothing for Result::Ok.
void ShowOpenFailure(Desktop& desktop, output::Result result, OpenMoment moment);

// Shows the box for a system-exclusive send that failed: "error1" when the device has gone,
// "error2" when it was not prepared, "error3" when the port is not open, "error4" when the
// device refused the message; nothing for any other result.
void ShowSendFailure(Desktop& desktop, output::Result result);

} // namespace windows
