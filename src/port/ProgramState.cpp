// SPDX-License-Identifier: GPL-3.0-or-later
// The one instance of the program-wide variables.
#include "port/ProgramState.h"

ProgramWideState ProgramWide;
