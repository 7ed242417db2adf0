#include "clean/LowIntegrityPass.h"

#include "clean/CopyToken.h"
#include "clean/SecondPassCopy.h"
#include "framework/KernelHandle.h"
#include "framework/WinUtil.h"

#include <versionhelpers.h>

#include <algorithm>
#include <initializer_list>
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
// How often, and how far apart, a copy that died while it was being started is started again.
constexpr int kStartAttempts = 3;
constexpr DWORD kStartRetryMs = 100;


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

using NameSet = std::unordered_set<std::string>;

NameSet NamesOf(std::initializer_list<const SelectedEntries*> lists) {
    NameSet names;
    for (const SelectedEntries* list : lists) {
        for (const SelectedEntry& entry : *list) names.insert(entry.url);
    }
    return names;
}

SelectedEntries Without(const SelectedEntries& entries, const NameSet& names) {
    SelectedEntries rest;
    for (const SelectedEntry& entry : entries) {
        if (names.count(entry.url) == 0) rest.push_back(entry);
    }
    return rest;
}

// Leaves out of the copy's report the entries that the first pass handled: in a shared cache
// they are the same entries, already counted (an entry in use would otherwise count twice).
void LeaveOutFirstPass(SecondPassResult& out, const SelectedEntries& firstPass) {
    const NameSet handled = NamesOf({&firstPass});
    SelectedEntries kept;
    DeletionResult result;
    result.walkFailed = out.result.walkFailed;
    result.kept = out.result.kept;
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

// The attribute list that lets exactly these handles be inherited by the copy, whatever else
// of this process is inheritable. Empty (and the copy never started) where it cannot be made.
class CInheritOnly {
public:
    CInheritOnly(HANDLE first, HANDLE second) : m_handles{first, second} {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        if (size == 0) return;
        m_buffer.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_buffer.data());
        if (!::InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
        m_list = list;
        if (!::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, m_handles, sizeof(m_handles),
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
    HANDLE m_handles[2];
    std::vector<char> m_buffer;
    LPPROC_THREAD_ATTRIBUTE_LIST m_list = nullptr;
};

// A job that ends the copy when this process ends, however it ends. Where the system refuses
// one (a job this process already runs in may forbid another), the copy still cannot outlive
// its purpose: its next write to the report, or its wait for the word, fails once this
// process is gone, and it ends without deleting more.
CKernelHandle CopyJob() {
    CKernelHandle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job) return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
        return CKernelHandle();
    }
    return job;
}

// A pipe whose one end (the copy's) is inheritable; the other stays this process's alone.
bool CopyPipe(CKernelHandle& read, CKernelHandle& write, bool copyWrites) {
    SECURITY_ATTRIBUTES noInherit{sizeof(noInherit), nullptr, FALSE};
    return ::CreatePipe(read.Receive(), write.Receive(), &noInherit, kPipeBuffer) &&
           ::SetHandleInformation((copyWrites ? write : read).get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
}

}  // namespace

bool RunsAtLowIntegrity() {
    CKernelHandle own;
    DWORD rid = 0;
    return ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, own.Receive()) && IntegrityRid(own.get(), &rid) &&
           rid <= SECURITY_MANDATORY_LOW_RID;
}

std::optional<SecondPassRequest> PlanSecondPass(bool bCache, bool bCookie) {
    if (!::IsWindowsVistaOrGreater() || RunsAtLowIntegrity()) return std::nullopt;
    SecondPassRequest request;
    request.bCache = bCache;
    request.bCookie = bCookie;
    request.exe = (GetModuleFilePath());
    return request;
}

std::wstring SecondPassArguments(const SecondPassRequest& request, HANDLE report, HANDLE control) {
    const wchar_t* kind = request.bCache && request.bCookie ? L"/all" : request.bCookie ? L"/cookie" : L"/cache";
    // The rules themselves, always: the copy must neither fall back on a list of its own
    // choice nor read again a file that may have changed since the first pass read it. A list
    // too long for a command line leaves the copy unstarted: that pass then fails, it does not
    // keep less.
    std::wstring keep;
    if (request.bCookie) keep = request.keep.Empty() ? L" /nokeep" : L" /keeprules " + JoinRules(request.keep);
    return std::wstring(kind) + keep + L" /lowpass " + DecimalText(reinterpret_cast<ULONG_PTR>(report)) +
           L" /lowpassgo " + DecimalText(reinterpret_cast<ULONG_PTR>(control));
}

CSecondPass::CSecondPass(SecondPassRequest request) : m_request(std::move(request)) {}

CSecondPass::~CSecondPass() {
    if (m_process) Stop();
}

bool CSecondPass::Fail(SecondPassStatus status, DWORD error) {
    m_result.status = status;
    m_result.error = error;
    return false;
}

bool CSecondPass::Start() {
    CKernelHandle token = CopyToken();
    if (!token) return Fail(SecondPassStatus::NoToken, ::GetLastError());
    CKernelHandle reportWrite, controlRead;
    if (!CopyPipe(m_report, reportWrite, true) || !CopyPipe(controlRead, m_control, false)) {
        return Fail(SecondPassStatus::NotStarted, ::GetLastError());
    }
    // Only the copy's two ends are handed over; without the list that says so, every
    // inheritable handle of this process would be, so the copy is not started at all.
    CInheritOnly inherit(reportWrite.get(), controlRead.get());
    if (inherit.get() == nullptr) return Fail(SecondPassStatus::NotStarted, ::GetLastError());
    STARTUPINFOEXW si{};
    si.StartupInfo.cb = sizeof(si);
    // The copy shows nothing: the pointer must not say "starting" for it.
    si.StartupInfo.dwFlags = STARTF_FORCEOFFFEEDBACK;
    si.lpAttributeList = inherit.get();
    std::wstring command =
        L"\"" + m_request.exe + L"\" " + SecondPassArguments(m_request, reportWrite.get(), controlRead.get());
    PROCESS_INFORMATION pi{};
    BOOL started = FALSE;
    DWORD error = 0;
    // A copy that died before it ran any of its own code is reported as an internal error
    // (Wine's loader does this now and then under load): nothing of it ran, so it is started
    // again, a few times at most.
    for (int attempt = 0; attempt < kStartAttempts && !started; ++attempt) {
        if (attempt > 0) ::Sleep(kStartRetryMs);
        started = ::CreateProcessAsUserW(token.get(), m_request.exe.c_str(), command.data(), nullptr, nullptr, TRUE,
                                         EXTENDED_STARTUPINFO_PRESENT | CREATE_SUSPENDED, nullptr, nullptr,
                                         &si.StartupInfo, &pi);
        error = started ? 0 : ::GetLastError();
        if (!started && error != ERROR_INTERNAL_ERROR) break;
    }
    // The copy now holds the only write end of its report and the only read end of the word:
    // when it ends, the report ends; when this process closes the word, the copy stops.
    reportWrite.Reset();
    controlRead.Reset();
    if (!started) return Fail(SecondPassStatus::NotStarted, error);
    m_process.Reset(pi.hProcess);
    CKernelHandle thread(pi.hThread);
    m_job = CopyJob();
    if (m_job && !::AssignProcessToJobObject(m_job.get(), m_process.get())) m_job.Reset();
    ::ResumeThread(thread.get());
    m_result.sharedCache = AboveLowIntegrity(m_process.get());
    m_result.status = SecondPassStatus::Stopped;  // until it has gone on
    m_startTick = ::GetTickCount();
    return true;
}

SecondPassStatus CSecondPass::Read(const std::function<bool()>& done, DWORD since) {
    char buffer[16 * 1024];
    DWORD lastHeard = ::GetTickCount();
    bool ended = false;
    for (;;) {
        DWORD available = 0;
        // Fails once the copy, the only writer, has gone and everything it wrote was read.
        if (!::PeekNamedPipe(m_report.get(), nullptr, 0, nullptr, &available, nullptr)) break;
        if (available > 0) {
            DWORD got = 0;
            const DWORD want = std::min<DWORD>(available, sizeof(buffer));
            if (!::ReadFile(m_report.get(), buffer, want, &got, nullptr) || got == 0) break;
            if (!m_reader.Feed(buffer, got)) {
                m_result.error = ERROR_INVALID_DATA;
                return SecondPassStatus::Broken;
            }
            lastHeard = ::GetTickCount();
            if (done()) return SecondPassStatus::Done;
        } else if (ended) {
            break;
        } else if (m_stop != nullptr && *m_stop) {
            return SecondPassStatus::Stopped;
        } else {
            const DWORD now = ::GetTickCount();
            if (now - lastHeard >= m_request.idleTimeoutMs) {
                m_result.error = ERROR_TIMEOUT;
                return SecondPassStatus::NoAnswer;
            }
            ended = ::WaitForSingleObject(m_process.get(), kPollMs) == WAIT_OBJECT_0;
        }
        if (::GetTickCount() - since >= m_request.overallTimeoutMs) {
            m_result.error = ERROR_TIMEOUT;
            return SecondPassStatus::TooLong;
        }
    }
    if (done()) return SecondPassStatus::Done;
    m_result.error = ERROR_BROKEN_PIPE;
    return SecondPassStatus::Broken;
}

bool CSecondPass::ReadPlan(const CleaningPlan& first) {
    if (!m_process) return false;
    const SecondPassStatus status = Read([&] { return m_reader.Planned(); }, m_startTick);
    if (status != SecondPassStatus::Done) {
        m_result.status = status;
        End(false);
        return false;
    }
    m_plan = CleaningPlan();
    m_plan.keep = m_request.keep;
    m_plan.walkFailed = m_reader.PlanWalkFailed();
    m_plan.entries = m_reader.ToGo();
    m_plan.kept = m_reader.Kept();
    // Under a shared cache the copy planned the first pass's own entries again.
    if (m_result.sharedCache) {
        const NameSet firstNames = NamesOf({&first.entries, &first.kept});
        m_plan.entries = Without(m_plan.entries, firstNames);
        m_plan.kept = Without(m_plan.kept, firstNames);
    }
    m_planned = true;
    return true;
}

const SecondPassResult& CSecondPass::Go(const SelectedEntries& firstPass, const SecondPassProgress& progress) {
    if (!m_planned || !m_process) return m_result;
    m_planned = false;
    DWORD written = 0;
    if (!::WriteFile(m_control.get(), &kSecondPassGo, 1, &written, nullptr) || written != 1) {
        m_result.status = SecondPassStatus::Broken;
        m_result.error = ::GetLastError();
        End(false);
        return m_result;
    }
    m_control.Reset();
    m_result.status = Read(
        [&] {
            if (progress) progress(m_reader.Entries().size(), m_reader.Chosen());
            return m_reader.Ended();
        },
        ::GetTickCount());
    if (m_result.status == SecondPassStatus::Done) m_result.error = 0;
    // A copy that finished its report ends by itself; any other is ended here, so that no
    // copy outlives the cleaning that started it.
    End(m_result.status == SecondPassStatus::Done);
    m_result.entries = m_reader.Entries();
    m_result.result = m_reader.Result();
    m_result.result.kept = m_plan.kept.size();
    m_result.chosen = m_reader.Chosen();
    if (m_result.sharedCache) LeaveOutFirstPass(m_result, firstPass);
    return m_result;
}

void CSecondPass::Stop() {
    if (!m_process) return;
    DWORD written = 0;
    if (m_control) ::WriteFile(m_control.get(), &kSecondPassStop, 1, &written, nullptr);
    m_control.Reset();
    m_planned = false;
    End(true);
}

void CSecondPass::End(bool waitForIt) {
    m_control.Reset();
    if (::WaitForSingleObject(m_process.get(), waitForIt ? kEndWaitMs : 0) != WAIT_OBJECT_0) {
        ::TerminateProcess(m_process.get(), kEndedCode);
        ::WaitForSingleObject(m_process.get(), kEndWaitMs);
    } else {
        ::GetExitCodeProcess(m_process.get(), &m_result.exitCode);
    }
    m_process.Reset();
    m_job.Reset();
}
