#include "clean/Cleaning.h"

#include "clean/CleaningLog.h"
#include "clean/PlanningDlg.h"
#include "clean/ProgressDlg.h"
#include "clean/SecondPassText.h"

namespace {

// Once per whole percent, never per entry, the run gives up the rest of its time slice to any
// thread that is waiting for the processor, a progress dialog's among them. Any longer sleep
// would wait out a timer tick (15.6 ms by default on Windows) for nothing.
constexpr DWORD kPauseMs = 0;

const wchar_t kUsualOutOfReach[] =
    L"このプログラムは低い整合性レベルで動いているため、通常のキャッシュには届きません（保護モードのキャッシュだけを削除します）。";
const wchar_t kPlanningFailed[] = L"キャッシュを調べられませんでした。何も削除していません。";

}  // namespace

CCleaning::CCleaning(CleaningRequest request) : m_request(std::move(request)) {}

// A copy never told to go is told to stop when its cleaning goes.
CCleaning::~CCleaning() = default;

CCleaning::Planned CCleaning::Plan(const std::atomic<bool>* cancel) {
    m_first = CleaningPlan();
    m_second.reset();
    m_secondPlanned = false;
    m_error.clear();
    CKeepList keep;
    if (!ReadKeepListFor(m_request.bCookie, m_request.keepList, keep, m_error)) return Planned::KeepListBroken;
    // The copy obeys the list as this read found it, and walks its cache while this one walks.
    if (const std::optional<SecondPassRequest>& copy = m_request.protectedCache.copy) {
        m_second = std::make_unique<CSecondPass>(*copy, m_request.bCache, m_request.bCookie, keep);
        m_second->SetStop(cancel);
        // A copy that would see this very cache is never started: the first pass is both.
        if (!m_second->Start() && m_second->Outcome().status == SecondPassStatus::SameCache) m_second.reset();
    }
    PlanCleaningWith(m_request.bCache, m_request.bCookie, keep, m_first, {}, cancel,
                     m_request.protectedCache.usualCacheOutOfReach ? MissingCache::Empty : MissingCache::Failed);
    m_secondPlanned = m_second && m_second->ReadPlan();
    if (m_second) m_second->SetStop(nullptr);  // the flag's owner may go before the run
    if (cancel != nullptr && *cancel) {
        Cancel();
        m_first = CleaningPlan();
        m_secondPlanned = false;
        return Planned::Cancelled;
    }
    return Planned::Yes;
}

CCleaning::Planned CCleaning::PlanUnder(CWnd* parent) { return PlanUnder(parent, CPlanningDlg::kShowAfterMs); }

CCleaning::Planned CCleaning::PlanUnder(CWnd* parent, DWORD showAfterMs) {
    Planned planned = Planned::Failed;
    INT_PTR answer = -1;
    {
        CPlanningDlg wait([&](const std::atomic<bool>& cancel) { planned = Plan(&cancel); }, parent, showAfterMs);
        answer = wait.DoModal();
    }  // A wait that ended early (the application quitting) has stopped its worker here.
    if (answer == IDOK) return planned;
    // 中止 may come after the plan was made: whatever was planned, nothing goes.
    Cancel();
    m_first = CleaningPlan();
    m_secondPlanned = false;
    if (answer == IDCANCEL) return Planned::Cancelled;
    m_error = kPlanningFailed;
    return Planned::Failed;
}

const CleaningPlan* CCleaning::SecondPlan() const { return m_secondPlanned ? &m_second->Plan() : nullptr; }

CString CCleaning::SecondPlanFailure() const {
    const CString usual = m_request.protectedCache.usualCacheOutOfReach ? kUsualOutOfReach : L"";
    return usual + (m_second && !m_secondPlanned ? SecondPassPlanFailureText(m_second->Outcome()) : CString());
}

CString CCleaning::PreviewText() const {
    return ::PreviewText(m_request.bCache, m_request.bCookie, m_first, SecondPlan(), SecondPlanFailure());
}

CString CCleaning::Question() const {
    return DeletionPrompt(m_request.bCache, m_request.bCookie, m_first, SecondPlan(), SecondPlanFailure());
}

std::string CCleaning::PreviewLog() const {
    const std::string usual = m_request.protectedCache.usualCacheOutOfReach ? LogLines(kUsualOutOfReach) : "";
    const CString second = m_second && !m_secondPlanned ? SecondPassPlanFailureText(m_second->Outcome()) : L"";
    return usual + PreviewLogText(m_first, m_second != nullptr, SecondPlan(), second);
}

bool CCleaning::PreviewComplete() const {
    return !m_first.walkFailed && (!m_second || (m_secondPlanned && !m_second->Plan().walkFailed));
}

void CCleaning::Cancel() {
    if (m_second) m_second->Stop();
}

CleaningOutcome RunPlans(const CleaningPlan& first, CSecondPass* second, CProgressSink& progress) {
    CleaningOutcome outcome;
    outcome.first.walkFailed = first.walkFailed;
    outcome.first.kept = first.kept.size();
    const SelectedEntries& entries = first.entries;
    const size_t count = entries.size();
    const int firstEnd = second != nullptr ? 50 : 100;
    int last = 0;
    // Only whole-percent changes are told, and only then does the run pause: at most 99 of
    // each, however long the lists, which keeps the machine responsive without a pause per
    // entry.
    auto advance = [&](int percent) {
        if (percent <= last || percent >= 100) return;
        progress.Percent(percent);
        last = percent;
        ::Sleep(kPauseMs);
    };
    if (second != nullptr) progress.Stage(kUsualCacheStage);
    DeleteSelected(entries, outcome.first, [&](size_t index, const SelectedEntry&, DeleteOutcome) {
        // The share done before the next entry.
        advance(static_cast<int>((index + 1) * firstEnd / count));
    });
    if (second == nullptr) return outcome;
    advance(firstEnd);
    progress.Stage(kProtectedCacheStage);
    outcome.second = second->Go([&](size_t done, size_t chosen) {
        if (chosen != 0) advance(firstEnd + static_cast<int>(done * (100 - firstEnd) / chosen));
    });
    return outcome;
}

void CCleaning::Run(CProgressSink& progress) {
    m_ran = true;
    m_outcome = RunPlans(m_first, m_second.get(), progress);
}

void CCleaning::RunUnderDialog(CWnd* parent) {
    // Shown even for an empty list, so that every confirmed cleaning ends the same way.
    CProgressDlg dialog([this](CProgressSink& progress) {
        Run(progress);
        return CompletionText();
    }, parent);
    dialog.DoModal();
    // A run that never began leaves no copy waiting for its word.
    if (!dialog.WorkStarted()) Cancel();
}

const SecondPassResult* CCleaning::SecondResult() const { return m_second ? &m_outcome.second : nullptr; }

CString CCleaning::CompletionText() const { return CompletionTextOfRun(m_outcome.first, SecondResult()); }

std::string CCleaning::Log() const { return CleaningLogText(m_first, m_outcome.first, SecondResult(), SecondPlan()); }

bool CCleaning::Complete() const {
    // A run that stopped part-way, or whose walk did not reach the end, did not delete
    // everything either; nor did one that never ran.
    const bool first = m_ran && Result().Complete() && Result().Handled() == m_first.entries.size();
    const bool second = !m_second || m_outcome.second.Complete();
    return first && second;
}
