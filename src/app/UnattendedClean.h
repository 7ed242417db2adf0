// A cleaning chosen on the command line: no confirmation, the progress dialog or no window at
// all, an optional log, and an exit code that says whether everything went.
#pragma once

#include "app/CommandLine.h"
#include "clean/SecondPass.h"
#include "framework/FileReplace.h"

#include <optional>

// How long the log's final move waits for a program that holds the file (a scanner may keep a
// new file for many seconds): about half a minute, the pauses growing to a few seconds.
constexpr ReplaceRetry kLogRetry{30000, 100, 4000};

// Runs line's cleaning (line.mode is Clean) of the usual cache and of the Protected Mode
// cache as reach says, and returns the program's exit code. logRetry: how long the log's
// final move is tried.
ExitCode RunUnattendedClean(const CommandLine& line, ProtectedCacheReach reach = ProtectedCacheReach(),
                       const ReplaceRetry& logRetry = kLogRetry);

// What the user is told when the log could not take its name: where its text is, or that
// nothing of it could be written (keptAs empty).
CString LogNotWrittenText(const CString& path, const CString& keptAs);
