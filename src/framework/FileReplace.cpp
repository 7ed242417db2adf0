#include "FileReplace.h"

#include "UniqueHandle.h"

#include "WinUtil.h"

#include <algorithm>

namespace {

// A file of a name no one else uses, created new in folder (which ends with a separator).
// CREATE_NEW: should the name be taken after all, that file is left alone and another tried.
CFileHandle CreateSideFile(const CString& folder, CString& side) {
    const DWORD pid = ::GetCurrentProcessId();
    for (DWORD attempt = 0; attempt < 100; ++attempt) {
        side = folder + L"~dustwhirl-" + HexText(pid) + L"-" + HexText(::GetTickCount() + attempt) + L".partial";
        CFileHandle file(::CreateFileW(side.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                       nullptr));
        if (file) return file;
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    side.clear();
    return CFileHandle();
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return ::FlushFileBuffers(file) != FALSE;
}

// Moves side over target, trying again within retry while another program holds either.
bool MoveOver(const CString& side, const CString& target, const ReplaceRetry& retry) {
    const DWORD start = ::GetTickCount();
    DWORD step = retry.stepMs;
    for (;;) {
        if (::MoveFileExW(side.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD error = ::GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || ::GetTickCount() - start >= retry.totalMs) {
            return false;
        }
        // A folder or a read-only file refuses for good: no program is about to let go of it.
        const DWORD attributes = ::GetFileAttributesW(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
            return false;
        }
        // Never past the bound: the last pause ends when the time is up.
        const DWORD elapsed = ::GetTickCount() - start;
        ::Sleep(std::min(step, retry.totalMs - std::min(elapsed, retry.totalMs)));
        step = std::min(retry.maxStepMs, step * 2);
    }
}

// "\\?\C:\x" as "C:\x", "\\?\UNC\server\x" as "\\server\x": the path as a person writes it.
CString Readable(const CString& longPath) {
    if (longPath.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\" + longPath.substr(7);
    if (longPath.compare(0, 4, L"\\\\?\\") == 0 && longPath.size() > 6 && longPath[5] == L':') return longPath.substr(4);
    return longPath;
}

// Writes bytes beside path and moves them over it. False when that failed; side then names
// the side file when it holds the bytes whole (the move alone failed), else it is empty.
bool WriteAndMove(const CString& path, const std::string& bytes, const ReplaceRetry& retry, CString& side) {
    side.clear();
    const CString target = LongPathForm(path);
    const size_t separator = target.find_last_of(L'\\');
    if (target.empty() || separator == CString::npos || separator + 1 == target.size()) return false;
    CFileHandle file = CreateSideFile(target.substr(0, separator + 1), side);
    if (!file) return false;
    const bool written = WriteAll(file.get(), bytes);
    const bool whole = file.Close() && written;
    if (whole && MoveOver(side, target, retry)) {
        side.clear();
        return true;
    }
    if (!whole) {
        ::DeleteFileW(side.c_str());
        side.clear();
    }
    return false;
}

}  // namespace

bool ReplaceFileWith(const CString& path, const std::string& bytes, const ReplaceRetry& retry) {
    CString side;
    const bool replaced = WriteAndMove(path, bytes, retry, side);
    if (!side.empty()) ::DeleteFileW(side.c_str());
    return replaced;
}

bool ReplaceFileOrKeep(const CString& path, const std::string& bytes, CString& keptAs,
                       const ReplaceRetry& retry) {
    CString side;
    const bool replaced = WriteAndMove(path, bytes, retry, side);
    keptAs = side.empty() ? CString() : Readable(side);
    return replaced;
}
