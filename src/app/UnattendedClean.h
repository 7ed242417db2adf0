// A cleaning chosen on the command line: no confirmation, the progress dialog or no window at
// all, an optional log, and an exit code that says whether everything went.
#pragma once

#include "app/CommandLine.h"
#include "clean/EntryDeletion.h"

// Exit code when the cleaning ran but its log could not be written.
constexpr int kExitLogFailed = 3;

// Runs line's cleaning (line.mode is Clean) and returns the program's exit code.
int RunUnattendedClean(const CommandLine& line);

// The exit code of a finished run over entries.
int CleaningExitCode(const SelectedEntries& entries, const DeletionResult& result);

// Writes the log of a run: one line per entry handled and a summary line, UTF-8. The file at
// path is replaced only once the whole log has been written; false if it could not be.
bool WriteCleaningLog(const CString& path, const SelectedEntries& entries, const DeletionResult& result);
