#include "ads/AdListDownloader.h"

#include "framework/UrlCache.h"
#include "framework/WinUtil.h"
#include "framework/Wnd.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {
constexpr wchar_t kTempPrefix[] = L"qvd";
constexpr int kLineBufferSize = 1024;

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

bool WriteWholeFile(const wchar_t* path, const std::string& bytes) {
    std::unique_ptr<FILE, FileCloser> file(::_wfopen(path, L"wb"));
    if (!file) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    return std::fclose(file.release()) == 0 && written;
}

// Deletes the temporary file and forgets its name.
class TempFileRemover {
public:
    explicit TempFileRemover(CString& path) : m_path(path) {}
    ~TempFileRemover() {
        ::DeleteFileW(m_path.c_str());
        m_path.clear();
    }
    TempFileRemover(const TempFileRemover&) = delete;
    TempFileRemover& operator=(const TempFileRemover&) = delete;

private:
    CString& m_path;
};
}  // namespace

CAdListDownloader::CAdListDownloader(CWnd* owner, const char* listUrl) : m_pOwner(owner), m_listUrl(listUrl) {}

CAdListDownloader::~CAdListDownloader() {
    // Run writes m_ads: the thread has to be gone before the list is, whoever owns us.
    Stop();
}

void CAdListDownloader::Stop() {
    m_stopRequested.SetEvent();
    CWorkerThread::Stop();
    m_stopRequested.ResetEvent();
    // A download ended by force never reached its own clean-up.
    if (!m_tempFile.empty()) {
        ::DeleteFileW(m_tempFile.c_str());
        m_tempFile.clear();
    }
}

AdEntry CAdListDownloader::GetAt(int index) const {
    if (index < 0 || index >= GetCount()) return AdEntry();
    return m_ads[static_cast<size_t>(index)];
}

void CAdListDownloader::Run() {
    // Wide: a temporary folder named outside the code page has no narrow name that works.
    wchar_t tempDir[MAX_PATH];
    DWORD dirLength = ::GetTempPathW(MAX_PATH, tempDir);
    // A directory that does not fit is reported by its needed length, the buffer unfilled.
    if (dirLength == 0 || dirLength >= MAX_PATH) return;

    wchar_t tempFile[MAX_PATH];
    if (::GetTempFileNameW(tempDir, kTempPrefix, 0, tempFile) == 0) return;
    m_tempFile = tempFile;
    {
        // Deleted on every way out of this block, an exception's included.
        TempFileRemover remover(m_tempFile);

        // A copy left in the cache by an earlier run must not stand in for the current list.
        DeleteUrlCacheEntryOf(m_listUrl.c_str());

        std::string body;
        if (HttpDownload(m_listUrl.c_str(), m_stopRequested.Handle(), m_limits, body) == DownloadResult::Complete &&
            WriteWholeFile(tempFile, body)) {
            // Text mode on purpose: CR LF arrives as LF and a 0x1A byte ends the list.
            std::unique_ptr<FILE, FileCloser> file(::_wfopen(tempFile, L"r"));
            if (file) {
                // The list is filled in one step, so that nobody ever sees part of it.
                std::vector<AdEntry> ads;
                char line[kLineBufferSize];
                while (std::fgets(line, kLineBufferSize, file.get()) != nullptr) ParseLine(line, ads);
                m_ads.swap(ads);
            }
        }
    }

    if (!m_ads.empty() && m_pOwner != nullptr) {
        ::PostMessageW(m_pOwner->GetSafeHwnd(), WM_AD_LIST_READY, 0, 0);
    }
}

void CAdListDownloader::ParseLine(const char* line, std::vector<AdEntry>& ads) {
    // Straight from UTF-8 to the program's text: every character of the list survives.
    CString text = FromUtf8(line);
    text.erase(std::remove_if(text.begin(), text.end(), [](wchar_t c) { return c == L'\n' || c == L'\r'; }),
               text.end());
    const size_t comma = text.find(L',');
    if (comma == CString::npos) return;
    ads.push_back(AdEntry{text.substr(0, comma), text.substr(comma + 1)});
}
