// Writing a file whole or not at all: the bytes go to a new file beside it, which then takes
// its place. A reader never sees half a file, a crash leaves the old one, and no file the
// program did not create itself is ever truncated on the way.
#pragma once

#include "Afx.h"

#include <string>

// How long the final move is tried again while another program holds the file: an antivirus
// or the indexer opens a new file for a moment, and the move then fails with a sharing
// violation or access denied. Anything else fails at once.
struct ReplaceRetry {
    DWORD totalMs = 2000;  // the longest the move is retried for
    DWORD stepMs = 50;     // the pause between tries
};

// Replaces (or creates) the file at path with bytes. Paths of any length work; a device or
// anything else that is no file on a drive or share is refused. False, with the side file
// removed and the old file untouched, when it could not be done.
bool ReplaceFileWith(const std::wstring& path, const std::string& bytes, const ReplaceRetry& retry = ReplaceRetry());
