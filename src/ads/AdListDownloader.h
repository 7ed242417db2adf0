// CAdListDownloader: fetches the maker's ad list once, on a worker thread, and tells the
// owner window with WM_APP+1 when at least one ad has been read from it.
#pragma once

#include "ads/AdEntry.h"
#include "clean/WorkerThread.h"

#include <vector>

class CWnd;

// Posted (wParam 0, lParam 0) to the owner once the list holds an ad.
constexpr UINT WM_AD_LIST_READY = WM_APP + 1;

// The list's address on the maker's web server; compiled in.
#define DUSTWHIRL_AD_LIST_URL DUSTWHIRL_MAKER_SERVER "/ad.csv"

class CAdListDownloader : public CWorkerThread {
public:
    // listUrl is for tests that serve the list elsewhere; the program uses the compiled-in one.
    explicit CAdListDownloader(CWnd* owner, const char* listUrl = DUSTWHIRL_AD_LIST_URL);
    ~CAdListDownloader() override;

    void Run() override;
    // Also removes the temporary file of a download that had to be ended by force.
    void Stop() override;

    // Read on the owner's thread, and only after the ready message has arrived.
    int GetCount() const { return static_cast<int>(m_ads.size()); }
    AdEntry GetAt(int index) const;

protected:
    void ParseLine(const char* line);

    CWnd* m_pOwner;
    std::vector<AdEntry> m_ads;

private:
    CString m_strListUrl;
    // Path of the temporary file while Run owns one; empty once Run has deleted it.
    CString m_strTempFile;
};

// UTF-8 to the system ANSI code page; empty text when either conversion fails.
CString ConvertUtf8ToAnsi(const char* utf8);
