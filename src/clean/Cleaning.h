// One cleaning, from its request to its result, the same for the window and the command line:
// the keep list read once, both caches planned (the low-integrity copy walks its cache while
// this process walks its own), a question or preview that counts both plans, then one run
// body deleting exactly what was counted, the copy's after this cache's, reporting to
// whatever sink shows it. The window adds the question, the command line the log and the
// exit code.
#pragma once

#include "clean/CleaningPlan.h"
#include "clean/ProgressSink.h"
#include "clean/SecondPass.h"

#include <atomic>
#include <memory>
#include <string>

class CWnd;

// What a cleaning is asked to do, made once by the window or the command line.
struct CleaningRequest {
    bool bCache = false;
    bool bCookie = false;
    // The keep list to obey. It is read once, when the cleaning is planned (only when cookies
    // are cleaned), and the list as read is the one every pass obeys.
    KeepListSource keepList;
    ProtectedCacheReach protectedCache;
};

// What a run did: the first pass's result and, where there was a second pass, its outcome.
struct CleaningOutcome {
    DeletionResult first;
    SecondPassResult second;
};

// The one run body: deletes first's entries, then (when second is given, planned or failed)
// lets the copy delete its plan, telling progress which cache it is on and how far it has
// come. With two passes each has half the bar.
CleaningOutcome RunPlans(const CleaningPlan& first, CSecondPass* second, CProgressSink& progress);

class CCleaning {
public:
    explicit CCleaning(CleaningRequest request);
    ~CCleaning();
    CCleaning(const CCleaning&) = delete;
    CCleaning& operator=(const CCleaning&) = delete;

    enum class Planned {
        Yes,
        KeepListBroken,  // nothing was walked and no copy ran; Error() names the file and line
        Cancelled,       // told to stop: the walks stopped, the copy was ended, nothing goes
        Failed,          // the planning could not run; Error() says so and nothing goes
    };
    // Reads the keep list (only when cookies are cleaned), starts the copy with that list,
    // walks this cache and waits for the copy's plan. Any wait or walk ends soon after cancel
    // is set. Runs on any thread; nothing else of this object is used meanwhile.
    Planned Plan(const std::atomic<bool>* cancel = nullptr);
    // The same on a worker thread, under the wait that shows itself after a short moment and
    // offers 中止; the calling window's thread only pumps messages. showAfterMs: a test's.
    Planned PlanUnder(CWnd* parent, DWORD showAfterMs);
    Planned PlanUnder(CWnd* parent);
    const CString& Error() const { return m_error; }

    const CleaningPlan& First() const { return m_first; }
    // The copy's plan; null when there is no second pass or it failed to plan.
    const CleaningPlan* SecondPlan() const;
    // Why the Protected Mode cache will not be cleaned (or, at low integrity, why the usual
    // one will not be), said before anything is deleted; empty when both will be.
    CString SecondPlanFailure() const;

    // "クッキー 234件（12.3 KB）を削除します。…" over both plans.
    CString PreviewText() const;
    // The question asked before a cleaning: the preview, then the fixed warning.
    CString Question() const;
    // The log of a preview, UTF-8: a heading per cache where there are two.
    std::string PreviewLog() const;
    // Both walks reached their ends: a preview that could not see everything is no complete answer.
    bool PreviewComplete() const;

    // Tells the copy to stop: it deletes nothing. A cleaning that is never run does the same.
    void Cancel();
    // The one run body: deletes both plans, the copy's after this cache's, on this thread,
    // telling progress how far it has come.
    void Run(CProgressSink& progress);
    // The same on a worker under the progress dialog, which ends with the completion text.
    void RunUnderDialog(CWnd* parent);

    const DeletionResult& Result() const { return m_outcome.first; }
    // The second pass's outcome after Run; null when there was none.
    const SecondPassResult* SecondResult() const;
    // What the progress dialog ends with: "削除が終わりました（…）" or what did not go.
    CString CompletionText() const;
    // The log of the run, UTF-8: one line per entry handled and per cookie kept, a summary.
    std::string Log() const;
    // Everything both plans held is known to be gone.
    bool Complete() const;

private:
    CleaningRequest m_request;
    CString m_error;
    CleaningPlan m_first;
    std::unique_ptr<CSecondPass> m_second;
    bool m_secondPlanned = false;
    bool m_ran = false;
    CleaningOutcome m_outcome;
};
