// What a cleaning will do, decided before it starts: the keep list read, the cache walked
// once, and the entries split into those that go and the cookies the list keeps. The window
// shows it in its question, the command line can report it without deleting, and the
// deletion then works through exactly these entries.
#pragma once

#include "clean/EntrySelection.h"
#include "clean/KeepList.h"

#include <atomic>
#include <functional>
#include <string>

struct CleaningPlan {
    SelectedEntries entries;  // to be deleted, in cache order
    SelectedEntries kept;     // cookies of the sites on the keep list, left alone
    bool walkFailed = false;  // the walk ended early: entries may be missing from both
    // The keep list as it was read for this plan (empty when no cookie is cleaned): the one
    // list that every pass of the cleaning obeys, whatever becomes of its file meanwhile.
    CKeepList keep;
};

// Moves the cookies that keep keeps from entries to kept, keeping the order of both.
void SetAsideKept(const CKeepList& keep, SelectedEntries& entries, SelectedEntries& kept);

// The keep list of source, read only when cookies are cleaned (empty otherwise). False, with
// the text that names the file and line in error, when the list is broken.
bool ReadKeepListFor(bool bCookie, const KeepListSource& source, CKeepList& list, CString& error);

// Reads the keep list of source (only when cookies are cleaned), then walks the cache.
// False, with the text that names the file and line in error and nothing walked, when the
// list is broken: a cleaning of cookies then deletes nothing.
bool PlanCleaning(bool bCache, bool bCookie, const KeepListSource& source, CleaningPlan& plan, CString& error);

// Walks the cache and sets aside the cookies that keep keeps: a plan with a list already read.
// tick is called for every entry the walk meets; a set stop ends the walk after the entry at
// hand (the plan then says the walk failed); missing as CollectEntries takes it.
void PlanCleaningWith(bool bCache, bool bCookie, const CKeepList& keep, CleaningPlan& plan,
                      const std::function<void()>& tick = {}, const std::atomic<bool>* stop = nullptr,
                      MissingCache missing = MissingCache::Failed);

// The bytes of the entries, as the walk found them.
ULONGLONG TotalBytes(const SelectedEntries& entries);

// "クッキー 234件（12.3 KB）を削除します。残すサイトのクッキー 9件は削除しません。", counting
// second (the Protected Mode cache's plan) too when given; secondFailure, when not empty, says
// why that cache will not be cleaned.
CString PreviewText(bool bCache, bool bCookie, const CleaningPlan& plan, const CleaningPlan* second = nullptr,
                    const CString& secondFailure = CString());

// The question asked before a cleaning: the preview, then the fixed warning.
CString DeletionPrompt(bool bCache, bool bCookie, const CleaningPlan& plan, const CleaningPlan* second = nullptr,
                       const CString& secondFailure = CString());
