// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard reports of one run.
#include "game/ReportLog.h"

#include "game/Report.h"

namespace game {

void ReportLog::append(const QStringList& lines)
{
    text_ += WithCrLf(lines);
}

} // namespace game
