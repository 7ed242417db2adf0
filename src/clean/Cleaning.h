// One cleaning, from its plan to its result, the same for the window and the command line:
// the keep list read once, both caches planned (the low-integrity copy walks its cache while
// this process walks its own), a question or preview that counts both plans, then both passes
// deleting exactly what was counted. The window adds the question, the command line the log
// and the exit code.
#pragma once

#include "clean/CleaningPlan.h"
#include "clean/LowIntegrityPass.h"

#include <memory>
#include <optional>
#include <string>

class CCleaning {
public:
    // second: the Protected Mode cache's pass, or none where there is no such cache.
    CCleaning(bool bCache, bool bCookie, std::optional<SecondPassRequest> second);
    ~CCleaning();
    CCleaning(const CCleaning&) = delete;
    CCleaning& operator=(const CCleaning&) = delete;

    // Reads the keep list of source (only when cookies are cleaned), starts the copy with that
    // list, walks this cache and waits for the copy's plan. False, with the text that names the
    // file and line in error, when the list is broken: then nothing is walked and no copy runs.
    bool Plan(const KeepListSource& source, CString& error);

    const CleaningPlan& First() const { return m_first; }
    // The copy's plan; null when there is no second pass or it failed to plan.
    const CleaningPlan* SecondPlan() const;
    // Why the Protected Mode cache will not be cleaned, said before anything is deleted;
    // empty when it will be (or there is none).
    std::wstring SecondPlanFailure() const;

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
    // Deletes both plans, the copy's after this cache's, in the progress dialog when
    // withDialog, else without a window.
    void Run(bool withDialog);

    const DeletionResult& Result() const { return m_result; }
    // The second pass's outcome after Run; null when there was none.
    const SecondPassResult* SecondResult() const;
    // The log of the run, UTF-8: one line per entry handled and per cookie kept, a summary.
    std::string Log() const;
    // Everything both plans held is known to be gone.
    bool Complete() const;

private:
    bool m_bCache, m_bCookie;
    std::optional<SecondPassRequest> m_secondRequest;
    CleaningPlan m_first;
    std::unique_ptr<CSecondPass> m_second;
    bool m_secondPlanned = false;
    DeletionResult m_result;
    SecondPassResult m_secondResult;
};
