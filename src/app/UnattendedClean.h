// A cleaning chosen on the command line: no confirmation, the progress dialog or no window at
// all, an optional log, and an exit code that says whether everything went.
#pragma once

#include "app/CommandLine.h"
#include "clean/EntryDeletion.h"
#include "clean/LowIntegrityPass.h"

#include <optional>

#include <string>

// Runs line's cleaning (line.mode is Clean), then the second pass if one is given, and returns
// the program's exit code.
int RunUnattendedClean(const CommandLine& line, const std::optional<SecondPassRequest>& second = std::nullopt);

// The exit code of a finished run over entries.
int CleaningExitCode(const SelectedEntries& entries, const DeletionResult& result);

// The log of a run, UTF-8: one line per entry handled and a summary line. With a second pass,
// each pass's lines come under a heading of their own and the summary counts both.
std::string CleaningLogText(const SelectedEntries& entries, const DeletionResult& result,
                            const SecondPassResult* second = nullptr);

// Writes the log of a run to path, replacing the file there only once the whole log has been
// written; false if it could not be.
bool WriteCleaningLog(const std::wstring& path, const SelectedEntries& entries, const DeletionResult& result,
                      const SecondPassResult* second = nullptr);
