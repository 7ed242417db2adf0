// Stands in for the low-integrity copy of the second pass when a test wants one that fails or
// that sees a cache of its own: started by the program exactly as the copy is, it answers the
// pipes as DW_STUB_MODE says.
//   die      ends at once without a word             silent   says nothing, never ends
//   stall    plans, then says nothing after "go"    garbage  writes what is no report, ends
//   partial  plans two entries, reports one, ends   flood    beats its heart forever
//   beats    beats six times, DW_STUB_BEAT_MS apart, then plans and works as "own" does
//   leaves   plans as "own" does, then ends at once, before any word
//   own      plans the cookies of DW_STUB_HOST (one kept when the parent's list keeps that
//            host, the rest to go, DW_STUB_COUNT in all) and, told to go, reports each
//            deleted; told to stop, it writes its word into DW_STUB_WORD_FILE and ends
// While it runs it holds the event named by DW_STUB_EVENT, so a test can see it gone; once it
// has planned it sets the event named by DW_STUB_PLANNED, where there is one.
// With DW_STUB_PARENT=1 it is a parent instead: it starts DW_STUB_COPY_EXE as the copy (and, with
// DW_STUB_COPY_PLANS=1, reads its plan), sets the event DW_STUB_READY and waits to be ended.
#include "app/CommandLine.h"
#include "clean/SecondPass.h"
#include "clean/PassReport.h"
#include "clean/SecondPassCopy.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string Env(const char* name, const char* fallback = "") {
    const char* value = std::getenv(name);
    return value != nullptr ? value : fallback;
}

char WordOf(HANDLE control) {
    char word = 0;
    DWORD got = 0;
    return ::ReadFile(control, &word, 1, &got, nullptr) && got == 1 ? word : '-';
}

// A cache of its own: cookies of one host, one of them kept when the list keeps the host.
CleaningPlan OwnPlan(const CommandLine& line) {
    CleaningPlan plan;
    const std::string host = Env("DW_STUB_HOST", "stub.example.test");
    const int count = std::atoi(Env("DW_STUB_COUNT", "2").c_str());
    for (int i = 0; i < count; ++i) {
        plan.entries.push_back({"Cookie:u" + std::to_string(i) + "@" + host + "/", 100});
    }
    if (line.keepRules && !plan.entries.empty() && line.keepRules->KeepsEntry(plan.entries[0].url.c_str())) {
        plan.kept.push_back(plan.entries[0]);
        plan.entries.erase(plan.entries.begin());
    }
    return plan;
}

int RunAsParent() {
    ::SetEnvironmentVariableA("DW_STUB_PARENT", nullptr);  // the copy is no parent
    SecondPassRequest request;
    const std::string exe = Env("DW_STUB_COPY_EXE");
    request.exe.assign(exe.begin(), exe.end());
    request.ownCacheAlways = true;  // the program too: under Wine it would share this cache
    CSecondPass copy(request, true, false, CKeepList());
    if (!copy.Start()) return 1;
    if (Env("DW_STUB_COPY_PLANS") == "1" && !copy.ReadPlan()) return 1;
    const HANDLE ready = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, Env("DW_STUB_READY").c_str());
    if (ready == nullptr || !::SetEvent(ready)) return 1;
    ::Sleep(INFINITE);
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (Env("DW_STUB_PARENT") == "1") return RunAsParent();
    const std::vector<std::wstring> args = ProcessArguments();
    std::vector<const wchar_t*> argv;
    for (const std::wstring& arg : args) argv.push_back(arg.c_str());
    const CommandLine line = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    if (line.mode != CommandLine::Mode::SecondPassCopy) return 2;
    const std::string eventName = Env("DW_STUB_EVENT");
    const HANDLE alive = !eventName.empty() ? ::CreateEventA(nullptr, TRUE, FALSE, eventName.c_str()) : nullptr;
    const std::string mode = Env("DW_STUB_MODE");
    const HANDLE report = reinterpret_cast<HANDLE>(line.reportPipe);
    const HANDLE control = reinterpret_cast<HANDLE>(line.controlPipe);
    CPassReportWriter writer(report);
    DWORD written = 0;
    const CleaningPlan two{{{"http://stub.example.test/one", 10}, {"http://stub.example.test/two", 20}}};
    if (mode == "silent") ::Sleep(INFINITE);
    if (mode == "flood") {
        for (;;) {
            ::WriteFile(report, "H\0\0\0\0", 5, &written, nullptr);
            ::Sleep(50);
        }
    }
    if (mode == "stall") {
        writer.Plan(two);
        WordOf(control);
        ::Sleep(INFINITE);
    }
    if (mode == "garbage") ::WriteFile(report, "Z\x0c\0\0\0not a report", 17, &written, nullptr);
    if (mode == "partial") {
        writer.Plan(two);
        if (WordOf(control) == kSecondPassGo) writer.Entry(DeleteOutcome::Deleted);
    }
    if (mode == "beats" || mode == "own" || mode == "leaves") {
        if (mode == "beats") {
            const DWORD apart = std::atoi(Env("DW_STUB_BEAT_MS", "400").c_str());
            for (int i = 0; i < 6; ++i) {
                ::Sleep(apart);
                ::WriteFile(report, "H\0\0\0\0", 5, &written, nullptr);
            }
        }
        const CleaningPlan plan = OwnPlan(line);
        writer.Plan(plan);
        if (const HANDLE planned = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, Env("DW_STUB_PLANNED").c_str())) {
            ::SetEvent(planned);
            ::CloseHandle(planned);
        }
        if (mode == "leaves") {
            if (alive != nullptr) ::CloseHandle(alive);
            return 3;
        }
        const char word = WordOf(control);
        if (word == kSecondPassGo) {
            DeletionResult result;
            result.kept = plan.kept.size();
            for (const SelectedEntry& entry : plan.entries) {
                writer.Entry(DeleteOutcome::Deleted);
                result.Add(entry, DeleteOutcome::Deleted);
            }
            writer.Result(result);
        } else {
            std::ofstream(Env("DW_STUB_WORD_FILE", "NUL"), std::ios::binary) << word;
        }
    }
    if (alive != nullptr) ::CloseHandle(alive);
    return 3;
}
