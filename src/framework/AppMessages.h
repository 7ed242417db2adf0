// Every message of the program's own (WM_APP and above), in one place, so that no number is
// used twice by accident. A number may serve two windows, as long as each window receives
// only the messages meant for it.
#pragma once

#include "Afx.h"

// To the main window, from the ad list downloader: the list holds at least one ad
// (wParam 0, lParam 0).
constexpr UINT WM_AD_LIST_READY = WM_APP + 1;
// To the main window, from itself once it stands painted: say what the last cleaning at
// sign-in left to say (wParam 0, lParam 0).
constexpr UINT WM_SIGNIN_NOTICE = WM_APP + 2;

// To the progress dialog, from the deletion worker.
constexpr UINT WM_DELETE_PROGRESS = WM_APP + 1;  // wParam: percentage done, 1 to 99
constexpr UINT WM_DELETE_DONE = WM_APP + 2;      // wParam: CTaskThread::End (the work returned, or it failed part-way)
constexpr UINT WM_DELETE_STAGE = WM_APP + 3;     // wParam: the cache now cleaned (kUsualCacheStage, ...)

// To the keep list's editor, from itself: a check box has changed, the rows of its
// subdomains follow (wParam 0, lParam 0).
constexpr UINT WM_KEEP_SHOW_CHECKS = WM_APP + 1;
// To the keep list's editor, from the walk over the cache: the cookie hosts are known
// (wParam 0, lParam 0).
constexpr UINT WM_KEEP_HOSTS_READY = WM_APP + 2;

// To the wait while a cleaning is planned, from its worker: the planning has ended (wParam
// CTaskThread::End).
constexpr UINT WM_PLANNING_DONE = WM_APP + 1;
