// Writing a file whole or not at all: the bytes go to a new file beside it, which then takes
// its place. A reader never sees half a file, a crash leaves the old one, and no file the
// program did not create itself is ever truncated on the way.
#pragma once

#include "Afx.h"

#include <string>

// How long the final move is tried again while another program holds the file: an antivirus
// or the indexer opens a new file, for a moment or for many seconds, and the move then fails
// with a sharing violation or access denied. Anything else fails at once. The pauses between
// tries double from stepMs up to maxStepMs.
struct ReplaceRetry {
    DWORD totalMs = 2000;    // the longest the move is retried for
    DWORD stepMs = 50;       // the first pause between tries
    DWORD maxStepMs = 1000;  // the longest pause
};

// Replaces (or creates) the file at path with bytes. Paths of any length work; a device or
// anything else that is no file on a drive or share is refused. False, with the side file
// removed and the old file untouched, when it could not be done.
bool ReplaceFileWith(const CString& path, const std::string& bytes, const ReplaceRetry& retry = ReplaceRetry());

// The same, for a file whose bytes must not be lost: when they were written whole but the
// final move could not be made, the side file stays, and keptAs names it (as a person reads a
// path, without the long form's prefix). keptAs is empty whenever the function returns true,
// and when nothing could be written at all.
bool ReplaceFileOrKeep(const CString& path, const std::string& bytes, CString& keptAs,
                       const ReplaceRetry& retry = ReplaceRetry());
