// The words with which a deletion run reports its result.
#pragma once

#include "clean/EntryDeletion.h"

// "1,234": a count with thousands separated.
CString FormatCount(ULONGLONG count);
// "512 B", "56.7 MB": a size in the largest binary unit that keeps it at 1,023.9 or below.
CString FormatBytes(ULONGLONG bytes);

// The status line of a finished run. It begins with "削除が終わりました" only when nothing
// was refused; otherwise it begins with how many entries could not be deleted.
CString CompletionText(const DeletionResult& result);
