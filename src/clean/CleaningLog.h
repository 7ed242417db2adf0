// The log of a cleaning or of its preview, UTF-8 with CRLF line ends: one line per entry (its
// outcome, a tab, its name), one per cookie kept, and a summary that counts both caches. With a
// second pass each cache's lines come under a heading of their own.
#pragma once

#include "clean/CleaningPlan.h"
#include "clean/SecondPass.h"

#include <string>

// A log's name of an entry: the cache's bytes as text, with every character that could break
// the line or reorder it written as an escape (\xHH for one byte's code, \x{HHHH} above), so
// that one entry is always one line, read left to right.
std::string LogEntryName(const std::string& name);

// A text of the program as the log's lines: its line breaks in the file's own form.
std::string LogLines(const CString& text);

// The log of a run. second: the copy's outcome and its plan (for the cookies it kept), both
// null without a second pass; secondPlan alone is null when the copy failed to plan.
std::string CleaningLogText(const CleaningPlan& first, const DeletionResult& firstResult,
                            const SecondPassResult* second = nullptr, const CleaningPlan* secondPlan = nullptr);

// The log of a preview. withSecond: there is a second pass; secondPlan null when it failed to
// plan, and then secondFailure says why.
std::string PreviewLogText(const CleaningPlan& first, bool withSecond = false, const CleaningPlan* secondPlan = nullptr,
                           const CString& secondFailure = CString());
