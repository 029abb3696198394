// The one instance of the program-wide variables.
#include "ProgramState.h"

ProgramWideState ProgramWide;
