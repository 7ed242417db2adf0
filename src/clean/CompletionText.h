// The words with which a deletion run reports its result.
#pragma once

#include "clean/EntryDeletion.h"

// "1,234": a count with thousands separated.
CString FormatCount(ULONGLONG count);
// "512 B", "56.7 MB": a size in the largest binary unit that keeps it at 1,023.9 or below.
CString FormatBytes(ULONGLONG bytes);

// The status line of a finished run. It begins with "削除が終わりました" only when the walk
// reached its end and nothing was refused; otherwise it begins with what went wrong.
CString CompletionText(const DeletionResult& result);

// How many entries were refused, in use and otherwise, as a clause; empty when none was.
CString RefusalText(const DeletionResult& result);
