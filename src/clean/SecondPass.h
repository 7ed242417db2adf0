// The second pass of a cleaning: on Windows Vista and later the Protected Mode cache (the
// Internet and Restricted zones) is a container of its own that only a low-integrity process
// sees. A copy of this program, started at low integrity with the option /secondpass, plans
// the same cleaning of that cache, reports its plan over a pipe that this process owns (a low
// process cannot write where a medium one keeps its files) and waits: it deletes only when
// told to go, and then reports each entry. The copy is waited for within bounds and ended by
// force past them.
//
// A copy whose integrity level would equal this process's sees this process's own cache: the
// first pass already covers it, so such a copy is never started (nothing is walked or deleted
// twice). That is known before the copy runs any of its code.
#pragma once

#include "clean/CleaningPlan.h"
#include "clean/KeepList.h"
#include "clean/PassReport.h"
#include "framework/UniqueHandle.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>

// How the copy is started and how long it is waited for. What it cleans and which cookies it
// keeps are the cleaning's own, handed to CSecondPass with it.
struct SecondPassRequest {
    CString exe;  // the program the copy runs: this program's own file
    // The longest the copy may stay silent before it is taken for hung. It sends a heartbeat
    // every second while it walks and a record per entry while it deletes, so only a copy
    // stuck in one call comes near it.
    DWORD idleTimeoutMs = kIdleTimeoutMs;
    // The longest its walk, and then its deletion, may take however lively it is.
    DWORD overallTimeoutMs = kOverallTimeoutMs;
    // A stand-in copy (a test's) that keeps a cache of its own whatever its level: started
    // without comparing the levels.
    bool ownCacheAlways = false;

    static constexpr DWORD kIdleTimeoutMs = 30000;
    static constexpr DWORD kOverallTimeoutMs = 30 * 60 * 1000;
};

// How a cleaning reaches the Protected Mode cache.
struct ProtectedCacheReach {
    // The copy that cleans it; none where there is no such cache of its own (before Windows
    // Vista, or when this process itself runs at low integrity).
    std::optional<SecondPassRequest> copy;
    // This process runs at low integrity: its own cache is the Protected Mode one, and the
    // usual cache is out of its reach (a copy of a copy never runs).
    bool usualCacheOutOfReach = false;

    // As this process, on this system, reaches it.
    static ProtectedCacheReach OfThisProcess();
};

enum class SecondPassStatus {
    Done,        // the copy reported its whole pass
    NoToken,     // no low-integrity token could be made
    NotStarted,  // the copy could not be started
    NoAnswer,    // the copy stayed silent past the bound and was ended
    TooLong,     // the copy went on past the overall bound and was ended
    Broken,      // the copy ended without a whole report, or sent a broken one
    Stopped,     // told to stop before deleting: it deleted nothing
    SameCache,   // the copy would see this process's own cache: it was not started
};

struct SecondPassResult {
    SecondPassStatus status = SecondPassStatus::NotStarted;
    DWORD error = 0;           // the system's error code of a failure, for the texts
    DWORD exitCode = 0;        // the copy's, once it has ended on its own
    SelectedEntries entries;   // what the copy reported deleting, in its order
    DeletionResult result;     // counted from those entries, with the cookies its plan kept
    size_t chosen = 0;         // how many the copy's plan would delete
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
    // The copy cleans what bCache and bCookie say and keeps the cookies that keep keeps: the
    // list as the first pass read it, handed to the copy whole. The copy never reads the file,
    // so a list renamed, emptied or held by a writer after the question cannot make the
    // second pass keep less than the first.
    CSecondPass(SecondPassRequest request, bool bCache, bool bCookie, CKeepList keep);
    ~CSecondPass();
    CSecondPass(const CSecondPass&) = delete;
    CSecondPass& operator=(const CSecondPass&) = delete;

    // Starts the copy; false when it was not started (Outcome() says why: SameCache when it
    // had no cache of its own to clean).
    bool Start();
    // A flag that, once set, ends any wait for the copy at once and ends the copy.
    void SetStop(const std::atomic<bool>* stop) { m_stop = stop; }
    // Waits for the copy's plan. False on a failure or a stop.
    bool ReadPlan();
    // The copy's plan, as read; empty until then.
    const CleaningPlan& Plan() const { return m_plan; }
    // Tells the copy to go, reads its report to its end and waits for the copy to end. A copy
    // whose plan failed is not asked: its failure is the outcome.
    const SecondPassResult& Go(const SecondPassProgress& progress = {});
    // Tells the copy to stop; it deletes nothing. One that has not yet planned is ended at once.
    void Stop();
    // How the pass went so far; whole once Go or Stop has returned.
    const SecondPassResult& Outcome() const { return m_result; }

private:
    SecondPassStatus Read(const std::function<bool()>& done, DWORD since);
    bool Stopping() const { return m_stop != nullptr && *m_stop; }
    void End(bool waitForIt);

    SecondPassRequest m_request;
    bool m_bCache, m_bCookie;
    CKeepList m_keep;
    CKernelHandle m_job, m_process, m_report, m_control;
    CPassReportReader m_reader;
    CleaningPlan m_plan;
    SecondPassResult m_result;
    bool m_planned = false;
    DWORD m_startTick = 0;
    const std::atomic<bool>* m_stop = nullptr;
};

// The arguments that make the program the copy: the kind, as the user's own options name it,
// the keep list's rules (/keeprules HOSTS, or /nokeep for none) and the pipes' handles.
CString SecondPassArguments(bool bCache, bool bCookie, const CKeepList& keep, HANDLE report, HANDLE control);
