// Stands in for the low-integrity copy of the second pass when a test wants one that fails:
// started by the program exactly as the copy is, it answers the pipe as DW_STUB_MODE says.
//   die      ends at once without a word      silent   says nothing, never ends
//   stall    begins a report, never ends      garbage  writes what is no report, ends
//   partial  reports one of two entries, ends without the result
// While it runs it holds the event named by DW_STUB_EVENT, so a test can see it gone.
#include "app/CommandLine.h"
#include "clean/PassReport.h"

#include <cstdlib>
#include <string>
#include <vector>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::vector<std::wstring> args = ProcessArguments();
    std::vector<const wchar_t*> argv;
    for (const std::wstring& arg : args) argv.push_back(arg.c_str());
    const CommandLine line = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    if (line.mode != CommandLine::Mode::SecondPassCopy) return 2;
    const char* eventName = std::getenv("DW_STUB_EVENT");
    const HANDLE alive = eventName != nullptr ? ::CreateEventA(nullptr, TRUE, FALSE, eventName) : nullptr;
    const std::string mode = std::getenv("DW_STUB_MODE") != nullptr ? std::getenv("DW_STUB_MODE") : "";
    CPassReportWriter writer(reinterpret_cast<HANDLE>(line.reportPipe));
    if (mode == "silent") ::Sleep(INFINITE);
    if (mode == "stall") {
        writer.Begin(2, false);
        ::Sleep(INFINITE);
    }
    if (mode == "garbage") {
        DWORD written = 0;
        ::WriteFile(reinterpret_cast<HANDLE>(line.reportPipe), "Z\x10\0\0\0not a report", 17, &written, nullptr);
    }
    if (mode == "partial") {
        writer.Begin(2, false);
        writer.Entry({"http://stub.example.test/one", 10}, DeleteOutcome::Deleted);
    }
    if (alive != nullptr) ::CloseHandle(alive);
    return 3;
}
