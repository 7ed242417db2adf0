#include "ads/AdListDownloader.h"

#include "clean/UrlCache.h"
#include "framework/WinUtil.h"
#include "framework/Wnd.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {
constexpr wchar_t kTempPrefix[] = L"qvd";
constexpr int kLineBufferSize = 1024;

// Removes every occurrence of ch, walking the text by characters of the ANSI code page so
// that the trail byte of a double-byte character is never taken for it.
void RemoveChar(CString& text, char ch) {
    CString kept;
    kept.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (::IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size()) {
            kept += text[i];
            kept += text[++i];
        } else if (text[i] != ch) {
            kept += text[i];
        }
    }
    text.swap(kept);
}

// Position of the first ch, on character boundaries of the ANSI code page; npos if none.
size_t FindChar(const CString& text, char ch) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (::IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size()) {
            ++i;
        } else if (text[i] == ch) {
            return i;
        }
    }
    return CString::npos;
}
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
    explicit TempFileRemover(std::wstring& path) : m_path(path) {}
    ~TempFileRemover() {
        ::DeleteFileW(m_path.c_str());
        m_path.clear();
    }
    TempFileRemover(const TempFileRemover&) = delete;
    TempFileRemover& operator=(const TempFileRemover&) = delete;

private:
    std::wstring& m_path;
};
}  // namespace

CString ConvertUtf8ToAnsi(const char* utf8) { return ConvertCodePage(utf8, std::strlen(utf8), CP_UTF8, CP_ACP); }

CAdListDownloader::CAdListDownloader(CWnd* owner, const char* listUrl) : m_pOwner(owner), m_strListUrl(listUrl) {}

CAdListDownloader::~CAdListDownloader() {
    // Run writes m_ads: the thread has to be gone before the list is, whoever owns us.
    Stop();
}

void CAdListDownloader::Stop() {
    m_stopRequested.SetEvent();
    CWorkerThread::Stop();
    m_stopRequested.ResetEvent();
    // A download ended by force never reached its own clean-up.
    if (!m_strTempFile.empty()) {
        ::DeleteFileW(m_strTempFile.c_str());
        m_strTempFile.clear();
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
    m_strTempFile = tempFile;
    {
        // Deleted on every way out of this block, an exception's included.
        TempFileRemover remover(m_strTempFile);

        // A copy left in the cache by an earlier run must not stand in for the current list.
        DeleteUrlCacheEntryOf(m_strListUrl.c_str());

        std::string body;
        if (HttpDownload(m_strListUrl.c_str(), m_stopRequested.Handle(), m_limits, body) == DownloadResult::kComplete &&
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
        ::PostMessageA(m_pOwner->GetSafeHwnd(), WM_AD_LIST_READY, 0, 0);
    }
}

void CAdListDownloader::ParseLine(const char* line, std::vector<AdEntry>& ads) {
    CString text = ConvertUtf8ToAnsi(line);
    RemoveChar(text, '\n');
    RemoveChar(text, '\r');
    size_t comma = FindChar(text, ',');
    if (comma == CString::npos) return;
    ads.push_back(AdEntry{text.substr(0, comma), text.substr(comma + 1)});
}
