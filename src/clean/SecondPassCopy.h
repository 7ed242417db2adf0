// The copy's side of the second pass: the program started with its hidden option runs the
// same collection and deletion as any cleaning of that kind, shows no window, and reports
// each entry over the pipe it was given. It never starts a copy of its own.
#pragma once

#include "clean/KeepList.h"
#include "framework/Afx.h"

// Runs the pass and returns the copy's exit code: 0 all deleted, 1 not all, 2 when the handle
// is no pipe or nobody reads it (then nothing is deleted).
int RunSecondPassCopy(bool bCache, bool bCookie, const KeepListSource& keep, ULONG_PTR pipe);
