// The words for a cleaning of two caches: the usual one and the Protected Mode one, cleaned
// by the low-integrity copy.
#pragma once

#include "clean/ProgressSink.h"
#include "clean/SecondPass.h"

#include <string>

// The status line while the cache of that stage is being cleaned.
CString StageStatusText(WPARAM stage);
// The log's heading line before the entries of that stage.
CString StageHeading(WPARAM stage);

// The counts of both passes together; the entries' outcomes stay with each pass.
DeletionResult BothPasses(const DeletionResult& first, const DeletionResult& second);

// The completion of both passes. It begins with "削除が終わりました" only when both passes
// reached their ends and nothing was refused; a second pass that did not run or failed is
// said first, with what was deleted and how many entries were refused.
CString CompletionTextOfBoth(const DeletionResult& first, const SecondPassResult& second);

// The completion of a run: of both passes where second is given, else of the first alone.
CString CompletionTextOfRun(const DeletionResult& first, const SecondPassResult* second);

// Why the Protected Mode cache was not cleaned, as a log line, with the system's error code;
// empty when it was (or the copy was only told to stop).
CString SecondPassFailureText(const SecondPassResult& second);
// The same said before anything is deleted: the copy failed while it planned.
CString SecondPassPlanFailureText(const SecondPassResult& second);
