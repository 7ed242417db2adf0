// Watches what the program hands to the shell's "open" verb, for real: while a ShellRecorder
// lives, the recording program tests/tools/shellrecorder.c (built as dw_shellrecorder.exe in
// the build tree) is the "open" command of http, https and of folders (the Folder and
// Directory classes) in the test Wine prefix: in HKCU\Software\Classes and, because Wine 8
// does not merge the user's classes into HKEY_CLASSES_ROOT, in HKLM\Software\Classes of the
// private prefix too; the earlier commands are put back when it goes. ShellExecuteA then
// starts it instead of a browser or a file manager, and it appends each target to a log.
//
//     ShellRecorder shell;                       // registers; unregisters when it goes
//     ASSERT_TRUE(shell.Installed());
//     ... click something that opens a page ...
//     ASSERT_TRUE(shell.WaitForRecords(1, 10000));
//     EXPECT_EQ(shell.Records()[0], "http://127.0.0.1:28017/");
//     shell.Clear();
//
// Records are UTF-8 (what the handler was given, whatever the code page), one per start of the
// recorder, in the order they were written. The recorder runs as its own process, so wait
// for records rather than reading at once. Any program started in this prefix while the
// recorder is registered (Dustwhirl.exe as well) is watched the same way.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class ShellRecorder {
public:
    ShellRecorder();
    ~ShellRecorder();
    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;

    bool Installed() const { return m_installed; }
    // Also makes the recorder the handler of another protocol (say "javascript"), for tests
    // that need to see whether such a link would have reached the shell.
    bool AddProtocol(const std::string& scheme);

    std::vector<std::string> Records() const;
    // Pumps this thread's messages until at least count records are there or timeoutMs passed.
    bool WaitForRecords(size_t count, DWORD timeoutMs) const;
    void Clear();

    const std::string& LogPath() const { return m_logPath; }
    const std::string& RecorderPath() const { return m_recorderPath; }

private:
    bool Register(const std::string& classKey, bool urlProtocol);

    std::string m_recorderPath;
    std::string m_logPath;
    // What was changed, to be put back in reverse order at the end.
    struct Change {
        HKEY root;
        std::string classKey;  // Software\Classes\NAME
        bool createdKey;
        bool hadCommand;
        std::string oldCommand;
    };
    std::vector<Change> m_changes;
    bool m_installed = false;
};
