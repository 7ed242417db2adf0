#include "clean/LowIntegrityPass.h"

#include "framework/KernelHandle.h"
#include "framework/WinUtil.h"

#include <versionhelpers.h>

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace {

// The pipe's buffer: a few hundred entries' records, so the copy seldom waits for the reader.
constexpr DWORD kPipeBuffer = 64 * 1024;
// How long the reader sleeps when the pipe is empty; the copy's end wakes it at once.
constexpr DWORD kPollMs = 20;
// How long an ended copy is given to go away.
constexpr DWORD kEndWaitMs = 5000;
// The exit code given to a copy ended by force.
constexpr UINT kEndedCode = 1;


// The relative id of the token's integrity level; false where the system has none.
bool IntegrityRid(HANDLE token, DWORD* rid) {
    DWORD size = 0;
    ::GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
    if (size < sizeof(TOKEN_MANDATORY_LABEL)) return false;
    std::vector<BYTE> buffer(size);
    if (!::GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size)) return false;
    const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer.data())->Label.Sid;
    const UCHAR count = *::GetSidSubAuthorityCount(sid);
    if (count == 0) return false;
    *rid = *::GetSidSubAuthority(sid, count - 1);
    return true;
}

// Whether the process runs above low integrity, where the system applied no level.
bool AboveLowIntegrity(HANDLE process) {
    CKernelHandle token;
    DWORD rid = 0;
    return ::OpenProcessToken(process, TOKEN_QUERY, token.Receive()) && IntegrityRid(token.get(), &rid) &&
           rid > SECURITY_MANDATORY_LOW_RID;
}

// Leaves out of the copy's report the entries that the first pass handled: in a shared cache
// they are the same entries, already counted (an entry in use would otherwise count twice).
void LeaveOutFirstPass(SecondPassResult& out, const SelectedEntries& firstPass) {
    std::unordered_set<std::string> handled;
    for (const SelectedEntry& entry : firstPass) handled.insert(entry.url);
    SelectedEntries kept;
    DeletionResult result;
    result.walkFailed = out.result.walkFailed;
    for (size_t i = 0; i < out.entries.size() && i < out.result.outcomes.size(); ++i) {
        if (handled.count(out.entries[i].url) != 0) {
            if (out.chosen > 0) --out.chosen;
            continue;
        }
        result.Add(out.entries[i], out.result.outcomes[i]);
        kept.push_back(std::move(out.entries[i]));
    }
    out.entries = std::move(kept);
    out.result = std::move(result);
}

// A primary token like this process's own, at low integrity.
CKernelHandle LowIntegrityToken() {
    CKernelHandle own, low;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, own.Receive())) return CKernelHandle();
    const DWORD access = TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT;
    if (!::DuplicateTokenEx(own.get(), access, nullptr, SecurityImpersonation, TokenPrimary, low.Receive())) return CKernelHandle();
    SID lowLabel{SID_REVISION, 1, SECURITY_MANDATORY_LABEL_AUTHORITY, {SECURITY_MANDATORY_LOW_RID}};
    TOKEN_MANDATORY_LABEL label{};
    label.Label.Sid = &lowLabel;
    label.Label.Attributes = SE_GROUP_INTEGRITY;
    if (!::SetTokenInformation(low.get(), TokenIntegrityLevel, &label, sizeof(label) + ::GetLengthSid(&lowLabel))) {
        return CKernelHandle();
    }
    return low;
}

// The attribute list that lets exactly one handle be inherited by the copy, whatever else of
// this process is inheritable. Empty where the system lacks it.
class CInheritOnly {
public:
    explicit CInheritOnly(HANDLE handle) : m_handle(handle) {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        if (size == 0) return;
        m_buffer.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_buffer.data());
        if (!::InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
        m_list = list;
        if (!::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &m_handle, sizeof(m_handle),
                                         nullptr, nullptr)) {
            Free();
        }
    }
    ~CInheritOnly() { Free(); }
    CInheritOnly(const CInheritOnly&) = delete;
    CInheritOnly& operator=(const CInheritOnly&) = delete;
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return m_list; }

private:
    void Free() {
        if (m_list != nullptr) ::DeleteProcThreadAttributeList(m_list);
        m_list = nullptr;
    }
    HANDLE m_handle;
    std::vector<char> m_buffer;
    LPPROC_THREAD_ATTRIBUTE_LIST m_list = nullptr;
};

// Reads the copy's report until it ends, breaks, or the copy is silent past the bound.
SecondPassStatus ReadReport(HANDLE pipe, HANDLE process, DWORD idleTimeoutMs, CPassReportReader& reader,
                            const SecondPassProgress& progress) {
    char buffer[16 * 1024];
    DWORD lastHeard = ::GetTickCount();
    bool ended = false;
    for (;;) {
        DWORD available = 0;
        // Fails once the copy, the only writer, has gone and everything it wrote was read.
        if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) break;
        if (available > 0) {
            DWORD got = 0;
            const DWORD want = std::min<DWORD>(available, sizeof(buffer));
            if (!::ReadFile(pipe, buffer, want, &got, nullptr) || got == 0) break;
            if (!reader.Feed(buffer, got)) return SecondPassStatus::Broken;
            lastHeard = ::GetTickCount();
            if (progress && reader.Begun()) progress(reader.Entries().size(), reader.Chosen());
            if (reader.Ended()) return SecondPassStatus::Done;
            continue;
        }
        if (ended) break;
        if (::GetTickCount() - lastHeard >= idleTimeoutMs) return SecondPassStatus::NoAnswer;
        ended = ::WaitForSingleObject(process, kPollMs) == WAIT_OBJECT_0;
    }
    return reader.Ended() ? SecondPassStatus::Done : SecondPassStatus::Broken;
}

}  // namespace

std::optional<SecondPassRequest> PlanSecondPass(bool bCache, bool bCookie) {
    if (!::IsWindowsVistaOrGreater()) return std::nullopt;
    CKernelHandle own;
    DWORD rid = 0;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, own.Receive()) && IntegrityRid(own.get(), &rid) &&
        rid <= SECURITY_MANDATORY_LOW_RID) {
        return std::nullopt;
    }
    SecondPassRequest request;
    request.bCache = bCache;
    request.bCookie = bCookie;
    request.exe = (GetModuleFilePath());
    return request;
}

std::wstring SecondPassArguments(const SecondPassRequest& request, HANDLE pipe) {
    const wchar_t* kind = request.bCache && request.bCookie ? L"/all" : request.bCookie ? L"/cookie" : L"/cache";
    // The rules themselves, always: the copy must neither fall back on a list of its own
    // choice nor read again a file that may have changed since the first pass read it. A list
    // too long for a command line leaves the copy unstarted: that pass then fails, it does not
    // keep less.
    std::wstring keep;
    if (request.bCookie) keep = request.keep.Empty() ? L" /nokeep" : L" /keeprules " + JoinRules(request.keep);
    return std::wstring(kind) + keep + L" /lowpass " + DecimalText(reinterpret_cast<ULONG_PTR>(pipe));
}

SecondPassResult RunSecondPass(const SecondPassRequest& request, const SelectedEntries& firstPass,
                               const SecondPassProgress& progress) {
    SecondPassResult out;
    CKernelHandle token = LowIntegrityToken();
    if (!token) {
        out.status = SecondPassStatus::NoToken;
        return out;
    }
    CKernelHandle readEnd, writeEnd;
    SECURITY_ATTRIBUTES noInherit{sizeof(noInherit), nullptr, FALSE};
    if (!::CreatePipe(readEnd.Receive(), writeEnd.Receive(), &noInherit, kPipeBuffer) ||
        !::SetHandleInformation(writeEnd.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
        return out;  // NotStarted
    }
    PROCESS_INFORMATION pi{};
    {
        CInheritOnly inherit(writeEnd.get());
        STARTUPINFOEXW si{};
        si.StartupInfo.cb = inherit.get() != nullptr ? sizeof(si) : sizeof(si.StartupInfo);
        si.lpAttributeList = inherit.get();
        std::wstring command = L"\"" + request.exe + L"\" " + SecondPassArguments(request, writeEnd.get());
        const DWORD flags = inherit.get() != nullptr ? EXTENDED_STARTUPINFO_PRESENT : 0;
        const BOOL started = ::CreateProcessAsUserW(token.get(), request.exe.c_str(), command.data(), nullptr, nullptr,
                                                    TRUE, flags, nullptr, nullptr, &si.StartupInfo, &pi);
        // The copy now holds the only write end: when it ends, the pipe ends.
        writeEnd.Reset();
        if (!started) return out;  // NotStarted
    }
    CKernelHandle process(pi.hProcess);
    CKernelHandle(pi.hThread).Reset();
    out.sharedCache = AboveLowIntegrity(process.get());

    CPassReportReader reader;
    out.status = ReadReport(readEnd.get(), process.get(), request.idleTimeoutMs, reader, progress);
    // A copy that finished its report ends by itself; any other is ended here, so that no
    // copy outlives the cleaning that started it.
    if (::WaitForSingleObject(process.get(), out.status == SecondPassStatus::Done ? kEndWaitMs : 0) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), kEndedCode);
        ::WaitForSingleObject(process.get(), kEndWaitMs);
    } else {
        ::GetExitCodeProcess(process.get(), &out.exitCode);
    }
    out.entries = reader.Entries();
    out.result = reader.Result();
    out.chosen = reader.Chosen();
    if (out.sharedCache) LeaveOutFirstPass(out, firstPass);
    return out;
}
