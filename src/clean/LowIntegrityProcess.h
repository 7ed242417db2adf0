// Starting a program at low integrity, with two pipes between it and this process and nothing
// else handed down: a low-integrity token made from this process's own, a list of the only
// handles it may inherit, a job that ends it with this process, and a few attempts where the
// system's loader fails under load. The caller owns what comes back; what the program is for
// is none of this unit's business.
#pragma once

#include "framework/UniqueHandle.h"

#include <functional>
#include <string>

struct LowIntegrityProcess {
    enum class Status {
        Started,
        NoToken,     // no low-integrity token could be made
        NotStarted,  // the pipes, the handle list or the process could not be made
        // The system keeps the level this process has (Wine applies none): a program started
        // so would share this process's integrity level, and with it everything that level
        // reaches. Told before the program runs any of its code; it is not started.
        SameLevel,
    };
    Status status = Status::NotStarted;
    DWORD error = 0;          // the system's error code of a failure
    CKernelHandle process;    // started, never suspended
    CKernelHandle job;        // ends the process when closed (none where the system refused one)
    CKernelHandle report;     // this process's read end of what the program writes
    CKernelHandle control;    // this process's write end of what the program reads
};

// The arguments after the program's name, given the handle values of the program's own ends
// of the two pipes (the one it writes, the one it reads).
using LowIntegrityArguments = std::function<CString(HANDLE report, HANDLE control)>;

// Starts exe at low integrity. compareLevels: a program whose level would equal this
// process's is not started (SameLevel); false only for a program that keeps a state of its
// own whatever its level (a test's stand-in).
LowIntegrityProcess StartAtLowIntegrity(const CString& exe, const LowIntegrityArguments& arguments,
                                        bool compareLevels = true);

// Whether this process itself runs at low integrity or below.
bool RunsAtLowIntegrity();
