// The words with which a deletion run reports its result.
#pragma once

#include "clean/EntryDeletion.h"

// "1,234": a count with thousands separated.
CString FormatCount(ULONGLONG count);
// "512 B", "56.7 MB": a size in the largest binary unit that keeps it at 1,023.9 or below.
CString FormatBytes(ULONGLONG bytes);

// The status line of a finished run. It begins with "削除が終わりました" only when the walk
// reached its end and every entry went with its file; otherwise it begins with what did not.
// The count and size in it are of the entries deleted with their files.
CString CompletionText(const DeletionResult& result);

// The entries not deleted, or not wholly, each kind as what it is (in use, file left, not
// found, refused), as a clause; empty when every entry went.
CString RefusalText(const DeletionResult& result);
