#include "clean/Cleaning.h"

#include "clean/CleaningLog.h"
#include "clean/ProgressDlg.h"
#include "clean/SecondPassText.h"
#include "framework/WinApp.h"

CCleaning::CCleaning(bool bCache, bool bCookie, std::optional<SecondPassRequest> second)
    : m_bCache(bCache), m_bCookie(bCookie), m_secondRequest(std::move(second)) {}

// A copy never told to go is told to stop when its cleaning goes.
CCleaning::~CCleaning() = default;

bool CCleaning::Plan(const KeepListSource& source, CString& error) {
    CWaitCursor wait;
    m_first = CleaningPlan();
    CKeepList keep;
    if (!ReadKeepListFor(m_bCookie, source, keep, error)) return false;
    // The copy obeys the list as this read found it, and walks its cache while this one walks.
    bool started = false;
    if (m_secondRequest) {
        SecondPassRequest request = *m_secondRequest;
        request.bCache = m_bCache;
        request.bCookie = m_bCookie;
        request.keep = keep;
        m_second = std::make_unique<CSecondPass>(std::move(request));
        started = m_second->Start();
    }
    // Run at low integrity, this process's own cache is the Protected Mode one, which a user who
    // never browsed at low integrity never made.
    PlanCleaningWith(m_bCache, m_bCookie, keep, m_first, {},
                     RunsAtLowIntegrity() ? MissingCache::Empty : MissingCache::Failed);
    m_secondPlanned = started && m_second->ReadPlan(m_first);
    return true;
}

const CleaningPlan* CCleaning::SecondPlan() const { return m_secondPlanned ? &m_second->Plan() : nullptr; }

std::wstring CCleaning::SecondPlanFailure() const {
    return m_second && !m_secondPlanned ? SecondPassPlanFailureText(m_second->Outcome()) : std::wstring();
}

CString CCleaning::PreviewText() const {
    return ::PreviewText(m_bCache, m_bCookie, m_first, SecondPlan(), SecondPlanFailure());
}

CString CCleaning::Question() const {
    return DeletionPrompt(m_bCache, m_bCookie, m_first, SecondPlan(), SecondPlanFailure());
}

std::string CCleaning::PreviewLog() const {
    return PreviewLogText(m_first, m_secondRequest.has_value(), SecondPlan(), SecondPlanFailure());
}

bool CCleaning::PreviewComplete() const {
    const bool whole = !m_first.walkFailed && (!m_second || (m_secondPlanned && !m_second->Plan().walkFailed));
    return whole;
}

void CCleaning::Cancel() {
    if (m_second) m_second->Stop();
}

void CCleaning::Run(bool withDialog) {
    CSecondPass* second = m_second.get();
    if (withDialog) {
        // Shown even for an empty list, so that every confirmed cleaning ends the same way.
        CProgressDlg progress(&m_first, nullptr, second);
        progress.DoModal();
        m_result = progress.Result();
        if (progress.SecondPass() != nullptr) m_secondResult = *progress.SecondPass();
        return;
    }
    m_result = DeletionResult();
    m_result.walkFailed = m_first.walkFailed;
    m_result.kept = m_first.kept.size();
    DeleteSelected(m_first.entries, m_result);
    if (second != nullptr) m_secondResult = second->Go(m_first.entries);
}

const SecondPassResult* CCleaning::SecondResult() const { return m_secondRequest ? &m_secondResult : nullptr; }

std::string CCleaning::Log() const { return CleaningLogText(m_first, m_result, SecondResult(), SecondPlan()); }

bool CCleaning::Complete() const {
    // A run that stopped part-way, or whose walk did not reach the end, did not delete
    // everything either.
    const bool first = m_result.Complete() && m_result.Handled() == m_first.entries.size();
    const bool second = !m_second || m_secondResult.Complete();
    return first && second;
}
