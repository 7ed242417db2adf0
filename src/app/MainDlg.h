// The main window: a skinned, title-less dialog that lives for the whole run.
#pragma once

#include "ads/AdBannerWnd.h"
#include "clean/KeepList.h"
#include "clean/PlanningDlg.h"
#include "clean/SecondPass.h"
#include "framework/Dialog.h"
#include "skin/DpiScale.h"
#include "skin/SkinImage.h"

#include "skin/SkinButton.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>

class CAdListDownloader;

class CMainDlg : public CDialog {
public:
    explicit CMainDlg(CWnd* parent = nullptr);
    ~CMainDlg() override;

    // Asks for confirmation, collects the chosen entries of the URL cache and deletes them;
    // a confirmed deletion ends the dialog with 1.
    void DeleteEntries(bool bCache, bool bCookie);
    // The keep list that the cleanings and the system menu's editor use (the stored one
    // unless the command line named another).
    void SetKeepList(KeepListSource source) { m_keepList = std::move(source); }
    const KeepListSource& KeepList();
    // How the cleanings and the editor reach the Protected Mode cache (through a copy of the
    // program itself, where the system has that cache). A test gives a copy of its own.
    void SetProtectedCacheReach(std::function<ProtectedCacheReach()> reach) { m_protectedCache = std::move(reach); }
    // How long a cleaning's look at the caches goes on before its wait window shows.
    void SetPlanningShowAfter(DWORD ms) { m_planningShowAfterMs = ms; }

    // The first maker name (0) and the second (1) in client coordinates, as drawn.
    const RECT& LinkRect(int index) const { return m_rcLink[index]; }
    int HoverLink() const { return m_nHoverLink; }
    int CurrentAd() const { return m_nCurrentAd; }
    // The scale the window is drawn at (its DPI).
    const CDpiScale& Scale() const { return m_scale; }

    static constexpr UINT_PTR kAdTimerId = 103;
    static constexpr UINT kAdTimerPeriodMs = 5000;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnOK() override;
    void OnChangeUIState(UINT action, UINT flags) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    bool OnButtonClicked(int id) override;
    BOOL OnSetCursor(UINT hitTest) override;
    void OnDpiChanged(UINT dpi, const RECT& suggested) override;

private:
    // Cleaning commands
    void OnCache();
    void OnCookie();
    void OnCacheCookie();

    // What the start-up leaves until the window stands painted.
    BOOL OnKickIdle();

    // Layout and painting. Coordinates are written at 96 DPI and scaled where they are used.
    SIZE BackgroundSize() const;
    void FitToBackground();
    void ApplyScale();
    BOOL OnGetDpiScaledSize(int dpi, SIZE& size) const;
    void ComposeBackground();
    void DrawCreditLine(CDC& dc);
    void CreateSkinButtons();
    void HideFocusUntilTheKeyboardIsUsed();
    void PlaceSkinButtons();
    BOOL OnEraseBkgnd(HDC dc);
    void OnPaint();
    HCURSOR OnQueryDragIcon() const { return m_hIcon; }

    // Mouse, cursor and system menu
    void AddSystemMenuItems();
    LRESULT OnNcHitTest(POINT screenPt);
    void OnLButtonDown(POINT pt);
    void OnMouseMove(POINT pt);
    LRESULT OnMouseLeave();
    void OnSysCommand(UINT id);
    void OnHelpButton();
    void OnDestroy();
    int LinkAt(POINT pt) const;
    void InvalidateUnderline(int link);

    // Once, after the start: what the last cleaning at sign-in left to say.
    void OnSignInNotice();

    // Ad rotation
    LRESULT OnAdListReady();
    void OnTimer(UINT_PTR id);
    void ShowNextAd();

    std::unique_ptr<CAdListDownloader> m_pAdDownloader;
    CAdBannerWnd m_banner;
    int m_nCurrentAd;
    CDpiScale m_scale;
    CSkinImage m_background;
    std::array<CSkinButton, 5> m_buttons;  // cache, cookie, cache && cookie, help, exit
    RECT m_rcLink[2] = {};
    int m_nHoverLink;
    bool m_bTrackingLeave;
    HICON m_hIcon;
    // The stored list's place is looked up when it is first needed, not at start-up.
    std::optional<KeepListSource> m_keepList;
    std::function<ProtectedCacheReach()> m_protectedCache = ProtectedCacheReach::OfThisProcess;
    DWORD m_planningShowAfterMs = CPlanningDlg::kShowAfterMs;
};
