#include "clean/EntryDeletion.h"
#include "framework/UrlCache.h"
#include "framework/WinUtil.h"

#include <shlobj.h>

namespace {

// The folders the cache keeps its files in, as this process's shell names them.
const std::vector<CString>& CacheFolders() {
    static const std::vector<CString> folders = [] {
        std::vector<CString> found;
        for (int csidl : {CSIDL_INTERNET_CACHE, CSIDL_COOKIES}) {
            const CString folder = GetSpecialFolderPath(csidl);
            if (!folder.empty()) found.push_back(folder);
        }
        return found;
    }();
    return folders;
}

// Whether the cache's file of an entry is still on disk. The wide form of its name reaches a
// profile folder of any name, and a path of any length (the narrow call fails for both, and a
// file that stayed would count as freed).
bool FileStillThere(const std::string& localFile) {
    // Only "not there" means gone; a file that cannot be named or looked at may well be there.
    const CString full = LongPathForm(WideLocalFile(localFile, CacheFolders()));
    if (full.empty()) return true;
    if (::GetFileAttributesW(full.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = ::GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

}  // namespace

CString WideLocalFile(const std::string& localFile, const std::vector<CString>& folders) {
    const CString read = ToWide(localFile.data(), localFile.size(), CP_ACP);
    for (const CString& folder : folders) {
        // The folder as it reads after the same trip through the code page as the cache's name.
        const std::string narrow = FromWide(folder.data(), folder.size(), CP_ACP);
        const CString lossy = ToWide(narrow.data(), narrow.size(), CP_ACP);
        if (lossy.empty() || read.size() <= lossy.size() || read[lossy.size()] != L'\\') continue;
        if (::CompareStringOrdinal(read.data(), static_cast<int>(lossy.size()), lossy.data(),
                                   static_cast<int>(lossy.size()), TRUE) == CSTR_EQUAL) {
            return folder + read.substr(lossy.size());
        }
    }
    return read;
}

DeleteOutcome DeleteCacheEntry(const char* url, const std::string& localFile) {
    if (UrlCache().DeleteEntry(url)) {
        // The cache forgets an entry whose file another program holds open, and leaves the
        // file on disk: its bytes were not freed.
        if (!localFile.empty() && FileStillThere(localFile)) {
            return DeleteOutcome::FileLeft;
        }
        return DeleteOutcome::Deleted;
    }
    switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND: return DeleteOutcome::NotFound;
    case ERROR_ACCESS_DENIED: return DeleteOutcome::Denied;
    case ERROR_SHARING_VIOLATION: return DeleteOutcome::InUse;
    default: return DeleteOutcome::NotDeleted;
    }
}

void DeletionResult::Add(const SelectedEntry& entry, DeleteOutcome outcome) {
    outcomes.push_back(outcome);
    switch (outcome) {
    case DeleteOutcome::Deleted:
        ++deleted;
        bytesFreed += entry.bytes;
        break;
    case DeleteOutcome::NotFound: ++notFound; break;
    case DeleteOutcome::InUse: ++inUse; break;
    case DeleteOutcome::NotDeleted: ++notDeleted; break;
    case DeleteOutcome::FileLeft: ++fileLeft; break;
    case DeleteOutcome::Denied: ++denied; break;
    }
}

void DeleteSelected(const SelectedEntries& entries, DeletionResult& result, const DeletionObserver& observer) {
    for (size_t i = 0; i < entries.size(); ++i) {
        const DeleteOutcome outcome = DeleteCacheEntry(entries[i].url.c_str(), entries[i].localFile);
        result.Add(entries[i], outcome);
        if (observer) observer(i, entries[i], outcome);
    }
}
