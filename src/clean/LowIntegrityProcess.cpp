#include "clean/LowIntegrityProcess.h"

#include "clean/CopyToken.h"

#include <vector>

namespace {

// The pipes' buffers: a few hundred entries' records, so the program seldom waits for the reader.
constexpr DWORD kPipeBuffer = 64 * 1024;
// The exit code given to a program ended before it ran.
constexpr UINT kNeverRanCode = 1;
// How long a program ended before it ran is given to go away.
constexpr DWORD kNeverRanWaitMs = 5000;
// How often, and how far apart, a program that died while it was being started is started again.
constexpr int kStartAttempts = 3;
constexpr DWORD kStartRetryMs = 100;

// The relative id of the token's integrity level; false where it cannot be read.
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

bool ProcessRid(HANDLE process, DWORD* rid) {
    CKernelHandle token;
    return ::OpenProcessToken(process, TOKEN_QUERY, token.Receive()) && IntegrityRid(token.get(), rid);
}

struct CDeleteAttributeList {
    bool operator()(LPPROC_THREAD_ATTRIBUTE_LIST list) const {
        ::DeleteProcThreadAttributeList(list);
        return true;
    }
};

// The attribute list that lets exactly these handles be inherited, whatever else of this
// process is inheritable. Empty (and nothing started) where it cannot be made.
class CInheritOnly {
public:
    CInheritOnly(HANDLE first, HANDLE second) : m_handles{first, second} {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        if (size == 0) return;
        m_buffer.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_buffer.data());
        if (!::InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
        m_list.Reset(list);
        if (!::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, m_handles, sizeof(m_handles),
                                         nullptr, nullptr)) {
            m_list.Reset();
        }
    }
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return m_list.get(); }

private:
    HANDLE m_handles[2];
    std::vector<char> m_buffer;
    // Declared after the buffer it lives in, so deleted before the buffer goes.
    CUniqueHandle<LPPROC_THREAD_ATTRIBUTE_LIST, CDeleteAttributeList> m_list;
};

// A job that ends the program when this process ends, however it ends. Where the system
// refuses one (a job this process already runs in may forbid another), the program still
// learns of this process's end: its pipes break.
CKernelHandle KillOnCloseJob() {
    CKernelHandle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job) return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
        return CKernelHandle();
    }
    return job;
}

// A pipe whose one end (the program's) is inheritable; the other stays this process's alone.
bool ProgramPipe(CKernelHandle& read, CKernelHandle& write, bool programWrites) {
    SECURITY_ATTRIBUTES noInherit{sizeof(noInherit), nullptr, FALSE};
    return ::CreatePipe(read.Receive(), write.Receive(), &noInherit, kPipeBuffer) &&
           ::SetHandleInformation((programWrites ? write : read).get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
}

LowIntegrityProcess Failed(LowIntegrityProcess::Status status, DWORD error) {
    LowIntegrityProcess failed;
    failed.status = status;
    failed.error = error;
    return failed;
}

}  // namespace

bool RunsAtLowIntegrity() {
    DWORD rid = 0;
    return ProcessRid(::GetCurrentProcess(), &rid) && rid <= SECURITY_MANDATORY_LOW_RID;
}

LowIntegrityProcess StartAtLowIntegrity(const CString& exe, const LowIntegrityArguments& arguments,
                                        bool compareLevels) {
    using Status = LowIntegrityProcess::Status;
    CKernelHandle token = CopyToken();
    if (!token) return Failed(Status::NoToken, ::GetLastError());
    // The first evidence: the level the token itself says it carries. A level that cannot be
    // read is no evidence of sharing: the program is started and its failures are its own.
    DWORD own = 0, lowered = 0;
    const bool ownKnown = ProcessRid(::GetCurrentProcess(), &own);
    if (compareLevels && ownKnown && IntegrityRid(token.get(), &lowered) && lowered == own) {
        return Failed(Status::SameLevel, 0);
    }
    LowIntegrityProcess started;
    CKernelHandle reportWrite, controlRead;
    if (!ProgramPipe(started.report, reportWrite, true) || !ProgramPipe(controlRead, started.control, false)) {
        return Failed(Status::NotStarted, ::GetLastError());
    }
    // Only the program's two ends are handed over; without the list that says so, every
    // inheritable handle of this process would be, so nothing is started at all.
    CInheritOnly inherit(reportWrite.get(), controlRead.get());
    if (inherit.get() == nullptr) return Failed(Status::NotStarted, ::GetLastError());
    STARTUPINFOEXW si{};
    si.StartupInfo.cb = sizeof(si);
    // The program shows nothing: the pointer must not say "starting" for it.
    si.StartupInfo.dwFlags = STARTF_FORCEOFFFEEDBACK;
    si.lpAttributeList = inherit.get();
    CString command = L"\"" + exe + L"\" " + arguments(reportWrite.get(), controlRead.get());
    PROCESS_INFORMATION pi{};
    BOOL created = FALSE;
    DWORD error = 0;
    // A program that died before it ran any of its own code is reported as an internal error
    // (Wine's loader does this now and then under load): nothing of it ran, so it is started
    // again, a few times at most.
    for (int attempt = 0; attempt < kStartAttempts && !created; ++attempt) {
        if (attempt > 0) ::Sleep(kStartRetryMs);
        created = ::CreateProcessAsUserW(token.get(), exe.c_str(), command.data(), nullptr, nullptr, TRUE,
                                         EXTENDED_STARTUPINFO_PRESENT | CREATE_SUSPENDED, nullptr, nullptr,
                                         &si.StartupInfo, &pi);
        error = created ? 0 : ::GetLastError();
        if (!created && error != ERROR_INTERNAL_ERROR) break;
    }
    // The program now holds the only write end of its report and the only read end of its
    // control pipe: when it ends, the report ends; when this process closes control, it reads
    // the end.
    reportWrite.Reset();
    controlRead.Reset();
    if (!created) return Failed(Status::NotStarted, error);
    started.process.Reset(pi.hProcess);
    CKernelHandle thread(pi.hThread);
    // The last evidence, still before the program's first instruction: the level the system
    // gave the process it made.
    DWORD given = 0;
    if (compareLevels && ownKnown && ProcessRid(started.process.get(), &given) && given == own) {
        ::TerminateProcess(started.process.get(), kNeverRanCode);
        ::WaitForSingleObject(started.process.get(), kNeverRanWaitMs);
        return Failed(Status::SameLevel, 0);
    }
    started.job = KillOnCloseJob();
    if (started.job && !::AssignProcessToJobObject(started.job.get(), started.process.get())) started.job.Reset();
    ::ResumeThread(thread.get());
    started.status = Status::Started;
    return started;
}
