// The second pass of a cleaning: on Windows Vista and later the Protected Mode cache (the
// Internet and Restricted zones) is a container of its own that only a low-integrity process
// sees. A copy of this program, started with a low-integrity token, cleans it and reports back
// over a pipe that this process owns (a low process cannot write where a medium one keeps its
// files). The copy is waited for within a bound and ended by force when it stops answering.
#pragma once

#include "clean/KeepList.h"
#include "clean/PassReport.h"

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
    // The longest the copy may stay silent (no record) before it is taken for hung. A pass
    // reports each entry as it goes, so only a stuck copy comes near it.
    DWORD idleTimeoutMs = kIdleTimeoutMs;

    static constexpr DWORD kIdleTimeoutMs = 120000;
};

enum class SecondPassStatus {
    Done,        // the copy reported its whole pass
    NoToken,     // no low-integrity token could be made
    NotStarted,  // the copy could not be started
    NoAnswer,    // the copy stayed silent past the bound and was ended
    Broken,      // the copy ended without a whole report, or sent a broken one
};

struct SecondPassResult {
    SecondPassStatus status = SecondPassStatus::NotStarted;
    DWORD exitCode = 0;        // the copy's, once it has ended on its own
    SelectedEntries entries;   // what the copy reported deleting, in its order
    DeletionResult result;     // counted from those entries
    size_t chosen = 0;         // how many the copy said it would delete
    // The copy did not run at low integrity (Wine applies no level): it saw this process's own
    // cache, so the entries of the first pass it met again are left out of its counts.
    bool sharedCache = false;
    bool Failed() const { return status != SecondPassStatus::Done; }
    // Everything the pass was asked for is gone.
    bool Complete() const { return !Failed() && result.Complete() && result.Handled() == chosen; }
};

// The second pass for a cleaning of these kinds, or none where there is no separate
// low-integrity cache to clean: before Windows Vista (no integrity levels), or when this
// process already runs at low integrity (then its own pass was that cache; a copy of a copy
// never runs).
std::optional<SecondPassRequest> PlanSecondPass(bool bCache, bool bCookie);

// Told how far the copy has come: entries reported and entries it chose.
using SecondPassProgress = std::function<void(size_t done, size_t chosen)>;

// Starts the copy, reads its report and waits for its end; never longer than the bound of
// silence allows, and never leaves the copy running. firstPass: the entries the first pass
// handled, which are not counted twice should the copy turn out to share their cache.
SecondPassResult RunSecondPass(const SecondPassRequest& request, const SelectedEntries& firstPass,
                               const SecondPassProgress& progress = {});

// The arguments that make the program the copy: the kind, as the user's own options name it,
// the keep list's rules (/keeprules HOSTS, or /nokeep for none) and the pipe's handle.
std::wstring SecondPassArguments(const SecondPassRequest& request, HANDLE pipe);
