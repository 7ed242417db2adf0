// Writing a file whole or not at all: the bytes go to a new file beside it, which then takes
// its place. A reader never sees half a file, a crash leaves the old one, and no file the
// program did not create itself is ever truncated on the way.
#pragma once

#include "Afx.h"

#include <string>

// Replaces (or creates) the file at path with bytes. Paths of any length work. False, with
// the side file removed and the old file untouched, when it could not be done.
bool ReplaceFileWith(const std::wstring& path, const std::string& bytes);
