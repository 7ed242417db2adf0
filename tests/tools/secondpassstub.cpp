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
//   broken   sends a plan no reader may take (a NUL in a name) and writes whatever word it
//            then gets into DW_STUB_WORD_FILE
//   token    writes what its own token holds into DW_STUB_WORD_FILE
//            ("privileges=A,B;admins=deny|enabled|absent;dacl=user|other;owner=user|other;
//            low=1|0"), plans
//            nothing and waits for its word
// While it runs it holds the event named by DW_STUB_EVENT, so a test can see it gone.
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

// The groups and privileges of this process's token, in the form the tests read.
std::string TokenDescription() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return "unreadable";
    auto read = [&](TOKEN_INFORMATION_CLASS kind) {
        DWORD size = 0;
        ::GetTokenInformation(token, kind, nullptr, 0, &size);
        std::vector<BYTE> buffer(size == 0 ? 1 : size);
        if (!::GetTokenInformation(token, kind, buffer.data(), size, &size)) buffer.clear();
        return buffer;
    };
    std::string text = "privileges=";
    const std::vector<BYTE> privileges = read(TokenPrivileges);
    if (!privileges.empty()) {
        const auto* list = reinterpret_cast<const TOKEN_PRIVILEGES*>(privileges.data());
        for (DWORD i = 0; i < list->PrivilegeCount; ++i) {
            char name[128] = {};
            DWORD length = sizeof(name);
            LUID luid = list->Privileges[i].Luid;
            ::LookupPrivilegeNameA(nullptr, &luid, name, &length);
            text += std::string(i > 0 ? "," : "") + name;
        }
    }
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    ::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins);
    std::string adminState = "absent";
    const std::vector<BYTE> groups = read(TokenGroups);
    if (!groups.empty()) {
        const auto* list = reinterpret_cast<const TOKEN_GROUPS*>(groups.data());
        for (DWORD i = 0; i < list->GroupCount; ++i) {
            if (!::EqualSid(list->Groups[i].Sid, admins)) continue;
            adminState = (list->Groups[i].Attributes & SE_GROUP_USE_FOR_DENY_ONLY) != 0 ? "deny" : "enabled";
        }
    }
    ::FreeSid(admins);
    const std::vector<BYTE> user = read(TokenUser), owner = read(TokenOwner);
    const bool ownerIsUser = !user.empty() && !owner.empty() &&
                             ::EqualSid(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid,
                                        reinterpret_cast<const TOKEN_OWNER*>(owner.data())->Owner);
    // Whether the default DACL grants the user anything: what the copy creates, it can open.
    bool daclGrantsUser = false;
    const std::vector<BYTE> dacl = read(TokenDefaultDacl);
    if (!dacl.empty() && !user.empty()) {
        const ACL* acl = reinterpret_cast<const TOKEN_DEFAULT_DACL*>(dacl.data())->DefaultDacl;
        for (DWORD i = 0; acl != nullptr && i < acl->AceCount; ++i) {
            void* ace = nullptr;
            if (!::GetAce(const_cast<ACL*>(acl), i, &ace)) break;
            const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
            daclGrantsUser = daclGrantsUser || (allowed->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
                                                ::EqualSid(const_cast<DWORD*>(&allowed->SidStart),
                                                           reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid));
        }
    }
    const std::vector<BYTE> level = read(TokenIntegrityLevel);
    bool low = false;
    if (!level.empty()) {
        const PSID sid = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(level.data())->Label.Sid;
        low = *::GetSidSubAuthority(sid, *::GetSidSubAuthorityCount(sid) - 1) == SECURITY_MANDATORY_LOW_RID;
    }
    ::CloseHandle(token);
    return text + ";admins=" + adminState + ";dacl=" + (daclGrantsUser ? "user" : "other") + ";owner=" +
           (ownerIsUser ? "user" : "other") + ";low=" + (low ? "1" : "0");
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
    if (mode == "broken") {
        writer.Plan(CleaningPlan{{{std::string("a\0b", 3), 0}}, {}, false, {}});
        std::ofstream(Env("DW_STUB_WORD_FILE", "NUL"), std::ios::binary) << WordOf(control);
    }
    if (mode == "token") {
        std::ofstream(Env("DW_STUB_WORD_FILE", "NUL"), std::ios::binary) << TokenDescription();
        writer.Plan(CleaningPlan());
        WordOf(control);
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
