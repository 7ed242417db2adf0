// Which ad links may be handed to the shell.
#pragma once

#include <string>

// True only for an absolute http:// or https:// address (scheme in any case) with a host,
// free of control characters and double quotes. The ad list arrives over plain HTTP, so a
// link in it may have been tampered with: anything else (a program, a local or network
// path, a file: or script address, another registered protocol) is never opened.
bool IsSafeWebLink(const CString& link);
