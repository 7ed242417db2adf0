// Writing a file whole: the old file stays what it was until the new one takes its place,
// a holder that lets go within the bound does not fail the move, and no device is a file.
#include "framework/FileReplace.h"
#include "framework/UniqueHandle.h"
#include "framework/WinUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class FileReplace : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"dw-replace-" + DecimalText(::GetCurrentProcessId());
        ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
        path = folder + L"\\file.log";
        ASSERT_TRUE(ReplaceFileWith(path, "old"));
    }
    void TearDown() override {
        ::DeleteFileW(path.c_str());
        ::DeleteFileW((path + L".link").c_str());
        ::RemoveDirectoryW(folder.c_str());
    }
    std::string Read(const std::wstring& file) const {
        CFileHandle h(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
        char buffer[64] = {};
        DWORD got = 0;
        if (h) ::ReadFile(h.get(), buffer, sizeof(buffer), &got, nullptr);
        return std::string(buffer, got);
    }
    bool SideFileThere() const {
        WIN32_FIND_DATAW found;
        HANDLE find = ::FindFirstFileW((folder + L"\\~dustwhirl-*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return false;
        ::FindClose(find);
        return true;
    }
    // Opens the file as another program reading it would, without letting it be replaced.
    CFileHandle Hold() const {
        return CFileHandle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    }
    std::wstring folder, path;
};

// Written in place, the file would change under every other name it has: a second hard link
// keeps the old bytes only when the new file takes the name.
TEST_F(FileReplace, TheOldFileIsNeverWrittenInPlace) {
    ASSERT_TRUE(::CreateHardLinkW((path + L".link").c_str(), path.c_str(), nullptr));
    ASSERT_TRUE(ReplaceFileWith(path, "new"));
    EXPECT_EQ(Read(path), "new");
    EXPECT_EQ(Read(path + L".link"), "old");
}

TEST_F(FileReplace, AHolderThatLetsGoInTimeDoesNotFailTheMove) {
    CFileHandle holder = Hold();
    ASSERT_TRUE(holder);
    // Let go as soon as the move waits (its side file is there), never after a set time.
    std::atomic<bool> done{false};
    std::atomic<bool> sawWait{false};
    std::thread release([&] {
        while (!done && !SideFileThere()) ::Sleep(1);
        sawWait = !done;
        holder.Close();
    });
    std::wstring keptAs = L"stale";
    // Pauses that grow from 10 ms to 40 ms: the holder refuses a few tries before it lets go.
    const bool replaced = ReplaceFileOrKeep(path, "new", keptAs, ReplaceRetry{30000, 10, 40});
    done = true;
    release.join();
    EXPECT_TRUE(sawWait) << "the move did not wait for the holder";
    EXPECT_TRUE(replaced);
    EXPECT_EQ(keptAs, L"") << "nothing is kept aside when the move was made";
    EXPECT_EQ(Read(path), "new");
    EXPECT_FALSE(SideFileThere());
}

// A log must not be lost: when the move never succeeds, the finished bytes stay under the side
// file's name, which is handed back as a person writes a path; the old file is untouched.
TEST_F(FileReplace, AMoveThatNeverSucceedsKeepsTheFinishedFileUnderItsSideName) {
    CFileHandle holder = Hold();
    ASSERT_TRUE(holder);
    std::wstring keptAs;
    EXPECT_FALSE(ReplaceFileOrKeep(path, "finished log", keptAs, ReplaceRetry{60, 5, 20}));
    holder.Close();
    EXPECT_EQ(Read(path), "old");
    ASSERT_FALSE(keptAs.empty());
    EXPECT_EQ(keptAs.rfind(L"\\\\?\\", 0), std::wstring::npos) << "no long-form prefix: " << ToUtf8(keptAs);
    EXPECT_EQ(keptAs.rfind(folder + L"\\~dustwhirl-", 0), 0u) << ToUtf8(keptAs);
    EXPECT_EQ(Read(keptAs), "finished log");
    EXPECT_TRUE(::DeleteFileW(keptAs.c_str()));
    // Nothing written, nothing kept: a folder that is not there.
    EXPECT_FALSE(ReplaceFileOrKeep(folder + L"\\missing\\x.log", "x", keptAs));
    EXPECT_EQ(keptAs, L"");
}

TEST_F(FileReplace, AHolderThatStaysFailsTheMoveWithinTheBoundAndLeavesTheOldFile) {
    CFileHandle holder = Hold();
    ASSERT_TRUE(holder);
    EXPECT_FALSE(ReplaceFileWith(path, "new", ReplaceRetry{30, 10}));
    holder.Close();
    EXPECT_EQ(Read(path), "old");
    EXPECT_FALSE(SideFileThere());
    // A folder where the file should be refuses for good: no retry is waited out.
    const std::wstring sub = folder + L"\\sub";
    ASSERT_TRUE(::CreateDirectoryW(sub.c_str(), nullptr));
    EXPECT_FALSE(ReplaceFileWith(sub, "new", ReplaceRetry{600000, 10}));
    ::RemoveDirectoryW(sub.c_str());
    EXPECT_FALSE(SideFileThere());
}

// The check list's holder (checklist/dw_holder.exe) holds a file as a scanner does, until Enter:
// meanwhile the move fails, and once it lets go the move is made.
TEST_F(FileReplace, TheCheckListsHolderHoldsTheFileUntilEnter) {
    const std::wstring self = GetModuleFilePath();
    std::wstring build = self.substr(0, self.rfind(L"\\tests\\"));
    const std::wstring holder = build + L"\\checklist\\dw_holder.exe";
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    CKernelHandle inRead, inWrite, outRead, outWrite;
    ASSERT_TRUE(::CreatePipe(inRead.Receive(), inWrite.Receive(), &inherit, 0));
    ASSERT_TRUE(::CreatePipe(outRead.Receive(), outWrite.Receive(), &inherit, 0));
    ::SetHandleInformation(inWrite.get(), HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(outRead.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{sizeof(si)};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inRead.get();
    si.hStdOutput = si.hStdError = outWrite.get();
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + holder + L"\" file \"" + path + L"\"";
    ASSERT_TRUE(::CreateProcessW(holder.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                 nullptr, &si, &pi))
        << ToUtf8(holder);
    CKernelHandle process(pi.hProcess), thread(pi.hThread);
    inRead.Reset();
    outWrite.Reset();
    char said[256] = {};
    DWORD got = 0;
    ASSERT_TRUE(::ReadFile(outRead.get(), said, sizeof(said) - 1, &got, nullptr)) << "it says what it holds";
    EXPECT_NE(std::string(said, got).find("holding the file"), std::string::npos) << said;
    EXPECT_FALSE(ReplaceFileWith(path, "new", ReplaceRetry{50, 5, 20}));
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(inWrite.get(), "\r\n", 2, &written, nullptr));
    ASSERT_EQ(::WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(ReplaceFileWith(path, "new"));
    EXPECT_EQ(Read(path), "new");
}

TEST(LongPathForm, OnlyFilesOnADriveAShareOrAVolumeAreFiles) {
    // Devices in every form, streams, namespaces, and roots that name no file.
    for (const wchar_t* device : {L"NUL", L"con", L"\\\\.\\NUL", L"\\\\.\\C:\\x.log", L"\\\\?\\GLOBALROOT\\Device\\Null",
                                  L"\\\\?\\Volume{0000000-0000-0000-0000-0000000000000}\\x", L"\\\\?\\Volume{00000000-0000-0000-0000-000000000000}",
                                  L"\\\\?\\NUL", L"\\\\?\\UNC\\.\\x\\y", L"\\\\server", L"\\\\server\\\\x", L"\\\\server\\share",
                                  L"\\\\?\\C:\\dir\\CON", L"\\\\?\\C:\\dir\\con.txt", L"C:\\dir\\nul.log", L"C:\\dir\\LPT1\\x.log",
                                  L"\\\\?\\UNC\\server\\share\\aux", L"C:\\dir\\COM\u00b9", L"C:\\dir\\conout$", L"C:\\dir\\PRN .txt",
                                  L"x.log:x", L"C:\\dir\\x.log:s:$DATA", L"\\\\server\\share\\x.log:s", L"\\\\?\\C:\\x.log:s",
                                  L"C:\\dir:s\\x.log", L"\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\x:s", L"C:\\"}) {
        EXPECT_EQ(LongPathForm(device), L"") << ToUtf8(device);
    }
    // Names that only look like them are files.
    for (const wchar_t* file : {L"C:\\dir\\console.log", L"C:\\dir\\COM10", L"C:\\dir\\nul-x.log", L"C:\\auxiliary\\x"}) {
        EXPECT_EQ(LongPathForm(file), std::wstring(L"\\\\?\\") + file) << ToUtf8(file);
    }
    EXPECT_EQ(LongPathForm(L"\\\\?\\unc\\server\\share\\x.log"), L"\\\\?\\UNC\\server\\share\\x.log");
    EXPECT_EQ(LongPathForm(L"\\\\?\\Unc\\server\\share\\x.log"), L"\\\\?\\UNC\\server\\share\\x.log");
    EXPECT_EQ(LongPathForm(L"\\\\?\\Volume{01234567-89ab-CDEF-0123-456789abcdef}\\dir\\x.log"),
              L"\\\\?\\Volume{01234567-89ab-CDEF-0123-456789abcdef}\\dir\\x.log");
    EXPECT_EQ(LongPathForm(L"C:\\dir\\x.log"), L"\\\\?\\C:\\dir\\x.log");
    EXPECT_EQ(LongPathForm(L"\\\\server\\share\\x.log"), L"\\\\?\\UNC\\server\\share\\x.log");
    EXPECT_EQ(LongPathForm(L"//server/share/x.log"), L"\\\\?\\UNC\\server\\share\\x.log");
    EXPECT_EQ(LongPathForm(L"\\\\?\\C:\\x.log"), L"\\\\?\\C:\\x.log");
    EXPECT_EQ(LongPathForm(L"\\\\?\\UNC\\server\\share\\x.log"), L"\\\\?\\UNC\\server\\share\\x.log");
    const std::wstring relative = LongPathForm(L"x.log");
    EXPECT_EQ(relative.rfind(L"\\\\?\\", 0), 0u);
    EXPECT_EQ(relative.substr(relative.size() - 6), L"\\x.log");
    EXPECT_FALSE(ReplaceFileWith(L"NUL", "x")) << "nothing is written to a device";
}

}  // namespace
