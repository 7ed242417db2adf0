// CAdListDownloader: fetches the maker's ad list once, on a worker thread, and tells the
// owner window with WM_AD_LIST_READY when at least one ad has been read from it. A stop
// request ends the download at once, whatever the server does.
#pragma once

#include <string>

#include "ads/AdEntry.h"
#include "ads/HttpDownload.h"
#include "framework/WorkerThread.h"
#include "framework/AppMessages.h"
#include "framework/Event.h"
#include "framework/MakerSites.h"

#include <vector>

class CWnd;

class CAdListDownloader : public CWorkerThread {
public:
    // listUrl is for tests that serve the list elsewhere; the program uses the compiled-in one.
    explicit CAdListDownloader(CWnd* owner, const char* listUrl = kAdListUrl);
    ~CAdListDownloader() override;

    void Run() override;
    // Wakes a download that waits on the network, so that the thread ends by itself; also
    // removes the temporary file of a download that had to be ended by force.
    void Stop() override;

    // The program keeps the defaults; tests shorten them. Set before Start.
    void SetLimits(const DownloadLimits& limits) { m_limits = limits; }

    // Read on the owner's thread, and only after the ready message has arrived.
    int GetCount() const { return static_cast<int>(m_ads.size()); }
    AdEntry GetAt(int index) const;

protected:
    static void ParseLine(const char* line, std::vector<AdEntry>& ads);

    CWnd* m_pOwner;
    std::vector<AdEntry> m_ads;

private:
    std::string m_listUrl;  // an address: ASCII
    DownloadLimits m_limits;
    // Signalled by Stop while it waits for the thread.
    CEvent m_stopRequested{true};
    // Path of the temporary file while Run owns one; empty once Run has deleted it.
    CString m_tempFile;
};

