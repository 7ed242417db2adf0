// The copy's side of the second pass: the program started with its hidden option runs the
// same collection and deletion as any cleaning of that kind, shows no window, and reports
// each entry over the pipe it was given. It never starts a copy of its own.
#pragma once

#include "clean/KeepList.h"
#include "framework/Afx.h"

enum class SecondPassCopyOutcome {
    AllDeleted,
    NotAllDeleted,  // refusals, a walk that ended early, or a parent that stopped reading
    NotRun,         // the handle is no pipe, or nobody reads it: nothing was deleted
};

// Runs the pass with the parent's keep list and says how it went (the program makes its exit code of it).
SecondPassCopyOutcome RunSecondPassCopy(bool bCache, bool bCookie, const CKeepList& keep, ULONG_PTR pipe);
