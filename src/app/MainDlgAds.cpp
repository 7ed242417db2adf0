// Rotation of the ads in the banner: a random ad at once, then another every 5 seconds.
#include "app/MainDlg.h"

#include "ads/AdListDownloader.h"

#include <cstdlib>
#include <ctime>

namespace {
constexpr int kMaxDraws = 99;
}

LRESULT CMainDlg::OnAdListReady() {
    if (m_pAdDownloader->GetCount() == 0) return 1;
    m_nCurrentAd = -1;
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    ShowNextAd();
    ::SetTimer(m_hWnd, kAdTimerId, kAdTimerPeriodMs, nullptr);
    return 1;
}

void CMainDlg::OnTimer(UINT_PTR id) {
    if (id == kAdTimerId) {
        ShowNextAd();
        return;
    }
    Default();
}

// Draws until the pick differs from the ad on show; with one ad, or after 99 unlucky draws,
// the ad on show stays. A banner that refuses (the pointer rests on its caption) keeps its ad.
void CMainDlg::ShowNextAd() {
    const int n = m_pAdDownloader->GetCount();
    if (n <= 0) return;
    int pick = -1;
    for (int draw = 1;; ++draw) {
        pick = std::rand() % n;
        if (pick != m_nCurrentAd) break;
        if (n == 1 || draw == kMaxDraws) return;
    }
    if (m_banner.SetAd(m_pAdDownloader->GetAt(pick))) m_nCurrentAd = pick;
}
