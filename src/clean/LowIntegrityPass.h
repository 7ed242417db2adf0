// The second pass of a cleaning: on Windows Vista and later the Protected Mode cache (the
// Internet and Restricted zones) is a container of its own that only a low-integrity process
// sees. A copy of this program, started with a low-integrity token, plans the same cleaning of
// that cache, reports its plan over a pipe that this process owns (a low process cannot write
// where a medium one keeps its files) and waits: it deletes only when told to go, and then
// reports each entry. The copy is waited for within bounds and ended by force past them.
#pragma once

#include "clean/CleaningPlan.h"
#include "clean/KeepList.h"
#include "clean/PassReport.h"
#include "framework/KernelHandle.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>

// What the second pass cleans and how the copy is started.
struct SecondPassRequest {
    bool bCache = false;
    bool bCookie = false;
    std::wstring exe;  // the program the copy runs: this program's own file
    // The cookies to keep: the list as the first pass read it (CleaningPlan::keep), handed to
    // the copy whole. The copy never reads the file, so a list renamed, emptied or held by a
    // writer after the question cannot make the second pass keep less than the first.
    CKeepList keep;
    // The longest the copy may stay silent before it is taken for hung. It sends a heartbeat
    // every second while it walks and a record per entry while it deletes, so only a copy
    // stuck in one call comes near it.
    DWORD idleTimeoutMs = kIdleTimeoutMs;
    // The longest its walk, and then its deletion, may take however lively it is.
    DWORD overallTimeoutMs = kOverallTimeoutMs;

    static constexpr DWORD kIdleTimeoutMs = 30000;
    static constexpr DWORD kOverallTimeoutMs = 30 * 60 * 1000;
};

enum class SecondPassStatus {
    Done,        // the copy reported its whole pass
    NoToken,     // no low-integrity token could be made
    NotStarted,  // the copy could not be started
    NoAnswer,    // the copy stayed silent past the bound and was ended
    TooLong,     // the copy went on past the overall bound and was ended
    Broken,      // the copy ended without a whole report, or sent a broken one
    Stopped,     // told to stop before deleting: it deleted nothing
};

struct SecondPassResult {
    SecondPassStatus status = SecondPassStatus::NotStarted;
    DWORD error = 0;           // the system's error code of a failure, for the texts
    DWORD exitCode = 0;        // the copy's, once it has ended on its own
    SelectedEntries entries;   // what the copy reported deleting, in its order
    DeletionResult result;     // counted from those entries, with the cookies its plan kept
    size_t chosen = 0;         // how many the copy's plan would delete
    // The copy did not run at low integrity (Wine applies no level): it saw this process's own
    // cache, so the entries of the first pass it met again are left out of its counts.
    bool sharedCache = false;
    bool Failed() const { return status != SecondPassStatus::Done; }
    // Everything the pass was asked for is gone.
    bool Complete() const { return !Failed() && result.Complete() && result.Handled() == chosen; }
};

// Told how far the copy has come: entries reported and entries it chose.
using SecondPassProgress = std::function<void(size_t done, size_t chosen)>;

// One copy, from its start to its end. The copy walks its cache from Start on, while this
// process walks its own; ReadPlan then waits for the copy's plan, Go lets it delete. A copy
// that was not told to go when this object goes is told to stop, and none outlives it.
class CSecondPass {
public:
    explicit CSecondPass(SecondPassRequest request);
    ~CSecondPass();
    CSecondPass(const CSecondPass&) = delete;
    CSecondPass& operator=(const CSecondPass&) = delete;

    // Starts the copy; false when it could not be (Outcome() says why).
    bool Start();
    // A flag that, once set, ends any wait for the copy at once (its window is closing).
    void SetStop(const std::atomic<bool>* stop) { m_stop = stop; }
    // Waits for the copy's plan. first: this process's own plan, whose entries and kept
    // cookies are left out of the copy's should the two share one cache. False on a failure.
    bool ReadPlan(const CleaningPlan& first);
    // The copy's plan, as read (and without the first pass's entries); empty until then.
    const CleaningPlan& Plan() const { return m_plan; }
    // Tells the copy to go, reads its report to its end and waits for the copy to end. A copy
    // whose plan failed is not asked: its failure is the outcome. firstPass: the entries the
    // first pass handled, which are not counted twice.
    const SecondPassResult& Go(const SelectedEntries& firstPass, const SecondPassProgress& progress = {});
    // Tells the copy to stop; it deletes nothing.
    void Stop();
    // How the pass went so far; whole once Go or Stop has returned.
    const SecondPassResult& Outcome() const { return m_result; }

private:
    SecondPassStatus Read(const std::function<bool()>& done, DWORD since);
    bool Fail(SecondPassStatus status, DWORD error);
    void End(bool waitForIt);

    SecondPassRequest m_request;
    CKernelHandle m_job, m_process, m_report, m_control;
    CPassReportReader m_reader;
    CleaningPlan m_plan;
    SecondPassResult m_result;
    bool m_planned = false;
    DWORD m_startTick = 0;
    const std::atomic<bool>* m_stop = nullptr;
};

// The second pass for a cleaning of these kinds, or none where there is no separate
// low-integrity cache to clean: before Windows Vista (no integrity levels), or when this
// process already runs at low integrity (then its own pass was that cache; a copy of a copy
// never runs).
std::optional<SecondPassRequest> PlanSecondPass(bool bCache, bool bCookie);

// Whether this process runs at low integrity: its own cache is then the Protected Mode one.
bool RunsAtLowIntegrity();

// The arguments that make the program the copy: the kind, as the user's own options name it,
// the keep list's rules (/keeprules HOSTS, or /nokeep for none) and the pipes' handles.
std::wstring SecondPassArguments(const SecondPassRequest& request, HANDLE report, HANDLE control);
