#include "clean/SecondPass.h"

#include "clean/LowIntegrityProcess.h"
#include "clean/SecondPassCopy.h"
#include "framework/WinUtil.h"

#include <versionhelpers.h>

#include <algorithm>

namespace {

// How long the reader sleeps when the pipe is empty; the copy's end wakes it at once.
constexpr DWORD kPollMs = 20;
// How long a copy told to stop is given to go away, and then how long one ended by force is
// waited for: together well inside the bound a worker thread is stopped within.
constexpr DWORD kEndWaitMs = 3000;
// The exit code given to a copy ended by force.
constexpr UINT kEndedCode = 1;

SecondPassStatus StatusOf(LowIntegrityProcess::Status status) {
    switch (status) {
    case LowIntegrityProcess::Status::Started: return SecondPassStatus::Stopped;  // until it has gone on
    case LowIntegrityProcess::Status::NoToken: return SecondPassStatus::NoToken;
    case LowIntegrityProcess::Status::NotStarted: return SecondPassStatus::NotStarted;
    case LowIntegrityProcess::Status::SameLevel: return SecondPassStatus::SameCache;
    }
    return SecondPassStatus::NotStarted;
}

}  // namespace

ProtectedCacheReach ProtectedCacheReach::OfThisProcess() {
    ProtectedCacheReach reach;
    if (!::IsWindowsVistaOrGreater()) return reach;
    if (RunsAtLowIntegrity()) {
        reach.usualCacheOutOfReach = true;
        return reach;
    }
    SecondPassRequest request;
    request.exe = GetModuleFilePath();
    reach.copy = std::move(request);
    return reach;
}

CString SecondPassArguments(bool bCache, bool bCookie, const CKeepList& keep, HANDLE report, HANDLE control) {
    const wchar_t* kind = bCache && bCookie ? L"/all" : bCookie ? L"/cookie" : L"/cache";
    // The rules themselves, always: the copy must neither fall back on a list of its own
    // choice nor read again a file that may have changed since the first pass read it. A list
    // too long for a command line leaves the copy unstarted: that pass then fails, it does not
    // keep less.
    CString rules;
    if (bCookie) rules = keep.Empty() ? L" /nokeep" : L" /keeprules " + JoinRules(keep);
    return CString(kind) + rules + L" /secondpass " + DecimalText(reinterpret_cast<ULONG_PTR>(report)) +
           L" /secondpassgo " + DecimalText(reinterpret_cast<ULONG_PTR>(control));
}

CSecondPass::CSecondPass(SecondPassRequest request, bool bCache, bool bCookie, CKeepList keep)
    : m_request(std::move(request)), m_bCache(bCache), m_bCookie(bCookie), m_keep(std::move(keep)) {}

CSecondPass::~CSecondPass() {
    if (m_process) Stop();
}

bool CSecondPass::Start() {
    LowIntegrityProcess copy = StartAtLowIntegrity(
        m_request.exe,
        [&](HANDLE report, HANDLE control) { return SecondPassArguments(m_bCache, m_bCookie, m_keep, report, control); },
        !m_request.ownCacheAlways);
    m_result.status = StatusOf(copy.status);
    m_result.error = copy.error;
    if (copy.status != LowIntegrityProcess::Status::Started) return false;
    m_process = std::move(copy.process);
    m_job = std::move(copy.job);
    m_report = std::move(copy.report);
    m_control = std::move(copy.control);
    m_startTick = ::GetTickCount();
    return true;
}

SecondPassStatus CSecondPass::Read(const std::function<bool()>& done, DWORD since) {
    char buffer[16 * 1024];
    DWORD lastHeard = ::GetTickCount();
    bool ended = false;
    for (;;) {
        // Checked before anything else: a copy that keeps writing must not hold a closing
        // window's worker past its bound.
        if (Stopping()) return SecondPassStatus::Stopped;
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

bool CSecondPass::ReadPlan() {
    if (!m_process) return false;
    const SecondPassStatus status = Read([&] { return m_reader.Planned(); }, m_startTick);
    if (status != SecondPassStatus::Done) {
        m_result.status = status;
        // A copy that has not planned deletes nothing, however it is ended.
        End(false);
        return false;
    }
    m_plan = CleaningPlan();
    m_plan.keep = m_keep;
    m_plan.walkFailed = m_reader.PlanWalkFailed();
    m_plan.entries = m_reader.ToGo();
    m_plan.kept = m_reader.Kept();
    m_planned = true;
    return true;
}

const SecondPassResult& CSecondPass::Go(const SecondPassProgress& progress) {
    if (!m_planned || !m_process) return m_result;
    m_planned = false;
    // The cookies its plan kept stayed, whatever becomes of the copy from here on.
    m_result.result.kept = m_plan.kept.size();
    m_result.chosen = m_plan.entries.size();
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
    return m_result;
}

void CSecondPass::Stop() {
    if (!m_process) return;
    DWORD written = 0;
    if (m_control) ::WriteFile(m_control.get(), &kSecondPassStop, 1, &written, nullptr);
    m_control.Reset();
    // A copy that has planned waits for this word and ends at once; one still walking would
    // only learn of it at its next write, and deletes nothing anyway: it is ended now.
    const bool planned = m_planned;
    m_planned = false;
    End(planned && !Stopping());
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
