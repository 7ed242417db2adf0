// HttpDownload: fetches one HTTP(S) address into memory on the calling thread, and gives up
// at once when asked to stop, when the answer grows too large or when it takes too long.
//
// WinINet runs in its asynchronous mode here: every call that would wait on the network
// returns at once, and this thread waits for its completion together with the stop event.
// A blocking call could only be ended from another thread, and not on every platform that
// runs the program; a pending one is ended by closing its handle, which is always safe.
#pragma once

#include "framework/Afx.h"

#include <string>

struct DownloadLimits {
    // A larger answer is refused: the ad list is a few lines of text.
    DWORD maxBytes = 1024 * 1024;
    // From the start of the connection to the last byte of the answer.
    DWORD timeoutMs = 30000;
};

enum class DownloadResult {
    Complete,  // a 2xx answer, its body complete
    Failed,    // no connection, an error status, a cut-off body, or any other failure
    TooLarge,  // the body is or would be larger than the limit
    TimedOut,  // the answer had not ended when the time was up
    Stopped,   // the stop event was signalled
};

// Downloads given up while WinINet still held one of their calls: how many of their shared
// states are still alive, and how many queries were answered after the thread had left. For
// tests and diagnostics; the answers land in state the downloads still own.
struct HttpAbandonedCalls {
    LONG liveStates;
    LONG lateQueryAnswers;
};
HttpAbandonedCalls HttpAbandonedCallCounts();

// Fetches url (http or https) afresh, never from the URL cache and without writing to it.
// body receives the answer's body when the result is Complete, and is left empty otherwise.
DownloadResult HttpDownload(const char* url, HANDLE stopEvent, const DownloadLimits& limits, std::string& body);
