// The one instance of the program-wide variables.
#include "port/ProgramState.h"

ProgramWideState ProgramWide;
