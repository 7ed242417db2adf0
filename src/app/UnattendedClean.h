// A cleaning chosen on the command line: no confirmation, the progress dialog or no window at
// all, an optional log, and an exit code that says whether everything went.
#pragma once

#include "app/CommandLine.h"
#include "clean/CleaningPlan.h"
#include "clean/EntryDeletion.h"
#include "clean/LowIntegrityPass.h"

#include <optional>

#include <string>

// Runs line's cleaning (line.mode is Clean), then the second pass if one is given, and returns
// the program's exit code.
int RunUnattendedClean(const CommandLine& line, std::optional<SecondPassRequest> second = std::nullopt);

// The exit code of a finished run over entries.
int CleaningExitCode(const SelectedEntries& entries, const DeletionResult& result);

// The log of a run, UTF-8: one line per entry handled, one per cookie kept, a summary line.
// With a second pass, each pass's lines come under a heading of their own and the summary
// counts both.
std::string CleaningLogText(const SelectedEntries& entries, const DeletionResult& result,
                            const SelectedEntries& kept = SelectedEntries(), const SecondPassResult* second = nullptr);

// The log of a preview, UTF-8: one line per entry that would go and per cookie that would
// stay, and a summary line.
std::string PreviewLogText(const CleaningPlan& plan);
