// The copy's side of the second pass: the program started with its hidden option plans the
// same cleaning as any of that kind, reports the plan over the pipe it was given, and waits
// for the parent's word on the other. Only "go" makes it delete, and then exactly what it
// planned; "stop", a closed pipe or a parent that is gone mean nothing is deleted. It shows no
// window and never starts a copy of its own.
#pragma once

#include "clean/KeepList.h"
#include "clean/PassReport.h"
#include "framework/Afx.h"

enum class SecondPassCopyOutcome {
    AllDeleted,
    NotAllDeleted,  // refusals, a walk that ended early, or a parent that stopped reading
    NotRun,         // a handle is no pipe, nobody reads the report, or the parent said stop
};

// The parent's words on the control pipe, one byte each.
constexpr char kSecondPassGo = 'G';
constexpr char kSecondPassStop = 'S';

// Runs the pass with the parent's keep list and says how it went (the program makes its exit
// code of it). report: the pipe the copy writes; control: the pipe it reads the word from;
// heartbeatMs: how far apart its heartbeats are while it walks.
SecondPassCopyOutcome RunSecondPassCopy(bool bCache, bool bCookie, const CKeepList& keep, ULONG_PTR report,
                                        ULONG_PTR control, DWORD heartbeatMs = CPassReportWriter::kHeartbeatMs);
