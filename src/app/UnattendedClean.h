// A cleaning chosen on the command line: no confirmation, the progress dialog or no window at
// all, an optional log, and an exit code that says whether everything went.
#pragma once

#include "app/CommandLine.h"
#include "clean/SecondPass.h"

#include <optional>

// Runs line's cleaning (line.mode is Clean) of the usual cache and of the Protected Mode
// cache as reach says, and returns the program's exit code.
int RunUnattendedClean(const CommandLine& line, ProtectedCacheReach reach = ProtectedCacheReach());
