// The main dialog run in-process: what only its own process can see (the system menu) and
// the layout it computes.
#include "Accessibility.h"
#include "AdServer.h"
#include "AppProcess.h"
#include "MainWindowFixtures.h"
#include "Waiting.h"
#include "ads/HttpDownload.h"
#include "app/CreditLine.h"
#include "framework/WinUtil.h"
#include "app/MainDlg.h"
#include "app/resource.h"
#include "framework/UniqueHandle.h"
#include "framework/WinApp.h"
#include "CleanUrlCache.h"
#include "clean/KeepList.h"
#include "skin/DpiScale.h"

#include <functional>

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <string>

namespace {

std::string MenuText(HMENU menu, int pos) {
    wchar_t buf[128] = {};
    ::GetMenuStringW(menu, static_cast<UINT>(pos), buf, 128, MF_BYPOSITION);
    return ToUtf8(buf);
}

bool IsSeparator(HMENU menu, int pos) { return (::GetMenuState(menu, static_cast<UINT>(pos), MF_BYPOSITION) & MF_SEPARATOR) != 0; }

TEST(MainDialog, SystemMenuEndsWithTheFolderAndVersionCommands) {
    RunMainDialog([](CMainDlg& dlg) {
        HMENU menu = ::GetSystemMenu(dlg.m_hWnd, FALSE);
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(::GetMenuState(menu, SC_SIZE, MF_BYCOMMAND), static_cast<UINT>(-1)) << "no Size";
        EXPECT_EQ(::GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1)) << "no Maximize";
        EXPECT_NE(::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1)) << "Close stays";

        int n = ::GetMenuItemCount(menu);
        ASSERT_GE(n, 7);
        EXPECT_TRUE(IsSeparator(menu, n - 7));
        EXPECT_EQ(::GetMenuItemID(menu, n - 6), static_cast<UINT>(IDM_OPEN_CACHE_FOLDER));
        EXPECT_EQ(MenuText(menu, n - 6), "キャッシュフォルダを開く(&A)");
        EXPECT_EQ(::GetMenuItemID(menu, n - 5), static_cast<UINT>(IDM_OPEN_COOKIE_FOLDER));
        EXPECT_EQ(MenuText(menu, n - 5), "クッキーフォルダを開く(&O)");
        EXPECT_EQ(::GetMenuItemID(menu, n - 4), static_cast<UINT>(IDM_KEEP_LIST));
        EXPECT_EQ(MenuText(menu, n - 4), "残すサイト(&K)...");
        EXPECT_EQ(::GetMenuItemID(menu, n - 3), static_cast<UINT>(IDM_SIGN_IN));
        EXPECT_EQ(MenuText(menu, n - 3), "サインイン時の削除(&S)...");
        EXPECT_TRUE(IsSeparator(menu, n - 2));
        EXPECT_EQ(::GetMenuItemID(menu, n - 1), static_cast<UINT>(IDM_ABOUTBOX));
        EXPECT_EQ(MenuText(menu, n - 1), "バージョン情報(&A)...");
    });
}

// A screen reader's view of the window: each button by the words its picture shows, and Tab
// visits the cleanings first, in the order they stand, then help and exit.
TEST(MainDialog, ButtonsAreNamedInJapaneseAndTabVisitsThemInReadingOrder) {
    struct Named {
        int id;
        const char* name;
    };
    const Named kNames[] = {{IDC_CACHE, "キャッシュを削除"}, {IDC_COOKIE, "クッキーを削除"},
                            {IDC_CACHE_COOKIE, "キャッシュとクッキーを削除"}, {IDC_HELP_BUTTON, "ヘルプ"},
                            {IDCANCEL, "終了"}};
    RunMainDialog([&](CMainDlg& dlg) {
        HWND tab = ::GetNextDlgTabItem(dlg.m_hWnd, nullptr, FALSE);
        for (const Named& n : kNames) {
            SCOPED_TRACE(n.name);
            HWND button = ::GetDlgItem(dlg.m_hWnd, n.id);
            EXPECT_EQ(AccessibleName(button), n.name);
            EXPECT_EQ(tab, button);
            tab = ::GetNextDlgTabItem(dlg.m_hWnd, tab, FALSE);
        }
        EXPECT_EQ(tab, ::GetDlgItem(dlg.m_hWnd, IDC_CACHE)) << "and round again";
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(dlg.m_hWnd, IDC_CACHE)) << "the first cleaning has the focus";
    });
}

int ThreadsOfThisProcess() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ++count;
    }
    ::CloseHandle(snapshot);
    return count;
}

// What the start-up has done of the work that its first picture does not need: noted at the
// end of the initialisation, and again in a message queued then, which comes before the first
// idle moment.
class StartUpWatch : public CMainDlg {
public:
    struct Seen {
        bool aboutItem;
        HICON big, small;
        int threads;
    };
    std::vector<Seen> seen;

protected:
    static constexpr UINT kLook = WM_APP + 60;

    BOOL OnInitDialog() override {
        const BOOL result = CMainDlg::OnInitDialog();
        Note();
        PostMessage(kLook);
        return result;
    }
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == kLook) {
            Note();
            return 0;
        }
        return CMainDlg::WindowProc(msg, wp, lp);
    }

public:
    void Note() {
        HMENU menu = ::GetSystemMenu(m_hWnd, FALSE);
        seen.push_back({menu != nullptr && ::GetMenuState(menu, IDM_ABOUTBOX, MF_BYCOMMAND) != static_cast<UINT>(-1),
                        reinterpret_cast<HICON>(SendMessage(WM_GETICON, ICON_BIG)),
                        reinterpret_cast<HICON>(SendMessage(WM_GETICON, ICON_SMALL)), ThreadsOfThisProcess()});
    }
};

TEST(MainDialog, MenuItemsIconsAndTheAdDownloadWaitForTheFirstIdleMoment) {
    AdServer server;
    // An earlier dialog's download, given up while WinINet still held its request, may reach
    // the server late: released by the reset, it is let finish before the count starts.
    ASSERT_TRUE(server.Reset());
    ASSERT_TRUE(WaitUntil([] { return HttpAbandonedCallCounts().liveStates == 0; }, 10000))
        << HttpAbandonedCallCounts().liveStates << " earlier downloads still under way";
    ASSERT_TRUE(server.Reset());  // counts the requests of this dialog alone
    ASSERT_TRUE(server.Stall());  // the download, once started, stays under way
    const int threadsBefore = ThreadsOfThisProcess();
    ASSERT_GT(threadsBefore, 0);
    StartUpWatch dlg;
    int requests = -1;
    RunMainDialog(dlg, [&](CMainDlg&) {
        dlg.Note();
        EXPECT_TRUE(WaitUntil([&] { return server.ListRequests() == 1; }, 10000)) << "the download has begun";
        requests = server.ListRequests();
    });
    server.Reset();
    const HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MAIN));
    ASSERT_EQ(dlg.seen.size(), 3u);
    for (int before : {0, 1}) {
        SCOPED_TRACE(before);
        EXPECT_FALSE(dlg.seen[before].aboutItem);
        EXPECT_EQ(dlg.seen[before].big, nullptr);
        EXPECT_EQ(dlg.seen[before].small, nullptr);
        EXPECT_EQ(dlg.seen[before].threads, threadsBefore) << "no download thread yet";
    }
    EXPECT_TRUE(dlg.seen[2].aboutItem);
    EXPECT_EQ(dlg.seen[2].big, icon);
    EXPECT_EQ(dlg.seen[2].small, icon);
    EXPECT_GT(dlg.seen[2].threads, threadsBefore) << "the download's thread";
    EXPECT_EQ(requests, 1);
}

TEST(MainDialog, CreditLineEndsAt495AndItsLinksCoverTheNames) {
    RunMainDialog([](CMainDlg& dlg) {
        // Measure the names independently, with a font made like the window's.
        CreditLayout layout = MeasureCreditLine();
        const int* seg = layout.widths;
        const RECT& first = dlg.LinkRect(0);
        const RECT& second = dlg.LinkRect(1);
        EXPECT_EQ(second.right, 495);
        EXPECT_EQ(second.left, 495 - seg[3]);
        EXPECT_EQ(first.right - first.left, seg[1]);
        EXPECT_EQ(first.right + seg[2], second.left) << "the second label sits between the names";
        EXPECT_EQ(first.left - seg[0], 495 - (seg[0] + seg[1] + seg[2] + seg[3]));
        for (const RECT* r : {&first, &second}) {
            EXPECT_EQ(r->top, 263);
            EXPECT_EQ(r->bottom, 263 + layout.height);
        }
        EXPECT_STREQ(kCreditSegments[1], L"Harrowmint");
        EXPECT_STREQ(kCreditSegments[3], L"Quillimore");
    });
}

// Moved to a monitor of another scale (Windows sends this; Wine has one DPI for every
// monitor and never does): the window takes the exact size of its art there and lays out
// everything again, and coming back restores the first layout.
TEST(MainDialog, ChangeOfScaleRebuildsTheWindow) {
    RunMainDialog([](CMainDlg& dlg) {
        const int start = dlg.Scale().Dpi();
        for (int dpi : {144, 120, 192, start}) {
            SCOPED_TRACE(dpi);
            SIZE size{0, 0};
            ASSERT_TRUE(::SendMessageA(dlg.m_hWnd, 0x02E4 /* WM_GETDPISCALEDSIZE */, dpi, reinterpret_cast<LPARAM>(&size)));
            EXPECT_EQ(size.cx, ::MulDiv(510, dpi, 96));
            EXPECT_EQ(size.cy, ::MulDiv(310, dpi, 96));

            RECT suggested{30, 20, 30 + size.cx, 20 + size.cy};
            ::SendMessageA(dlg.m_hWnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
            RECT window;
            ::GetWindowRect(dlg.m_hWnd, &window);
            EXPECT_TRUE(::EqualRect(&window, &suggested));
            EXPECT_EQ(dlg.Scale().Dpi(), dpi);

            RECT cookie;
            ::GetWindowRect(::GetDlgItem(dlg.m_hWnd, IDC_COOKIE), &cookie);
            ::MapWindowPoints(nullptr, dlg.m_hWnd, reinterpret_cast<POINT*>(&cookie), 2);
            EXPECT_EQ(cookie.left, ::MulDiv(176, dpi, 96));
            EXPECT_EQ(cookie.top, ::MulDiv(92, dpi, 96));
            EXPECT_EQ(cookie.right, ::MulDiv(176 + 158, dpi, 96));

            const CreditLayout layout = MeasureCreditLine(dpi);
            const RECT& second = dlg.LinkRect(1);
            EXPECT_EQ(second.right, ::MulDiv(495, dpi, 96));
            EXPECT_EQ(second.left, layout.left[3]);
            EXPECT_EQ(second.top, ::MulDiv(263, dpi, 96));
            EXPECT_EQ(second.bottom - second.top, layout.height);

            // The caption bar's stand-in ends where the help button's art begins.
            POINT strip{::MulDiv(400, dpi, 96), ::MulDiv(30, dpi, 96)};
            ::ClientToScreen(dlg.m_hWnd, &strip);
            EXPECT_EQ(::SendMessageA(dlg.m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(strip.x, strip.y)), HTCAPTION);
        }
    });
}

std::function<void(HWND)> g_inEditor;

BOOL CALLBACK FindEditor(HWND w, LPARAM found) {
    if (::GetDlgItem(w, IDC_KEEP_HOSTS) != nullptr) *reinterpret_cast<HWND*>(found) = w;
    return TRUE;
}

void CALLBACK PlayInEditor(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    HWND editor = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindEditor, reinterpret_cast<LPARAM>(&editor));
    ASSERT_NE(editor, nullptr) << "the editor is open";
    // The cache's sites arrive from a walk; until then the status line says so (a walk that
    // never ends leaves the checks below to fail, after ten seconds).
    static int waits = 0;
    if (::GetWindowTextLengthW(::GetDlgItem(editor, IDC_KEEP_STATUS)) != 0 && ++waits < 500) {
        ::SetTimer(nullptr, 0, 20, PlayInEditor);
        return;
    }
    g_inEditor(editor);
}

std::string Cell(HWND list, int row, int column) {
    wchar_t text[300] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 300;
    ::SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return ToUtf8(text);
}

bool Checked(HWND list, int row) {
    return (::SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

void SetChecked(HWND list, int row, bool kept) {
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(kept ? 2 : 1);
    ::SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

// The system menu's command opens the editor over the cache's cookie hosts and the list's
// own sites; a subdomain follows its site; OK writes the list around the user's own lines.
TEST(MainDialog, TheSystemMenuOpensTheKeepListEditorOverTheCookieHosts) {
    ClearUrlCache();
    ASSERT_TRUE(SeedUrlCache({"Cookie:u@b.test/", "Cookie:u@www.b.test/", "Cookie:v@WWW.b.test/x", "Cookie:u@c.test/",
                              "http://b.test/", "Cookie:broken-name"}));
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"dw-menu-keep-" + DecimalText(::GetCurrentProcessId()) + L".txt";
    ASSERT_TRUE(SaveKeepList(path, "# mine\nlisted.test\nb.test\n"));

    struct Row {
        std::string host, count;
        bool checked;
        bool operator==(const Row& o) const { return host == o.host && count == o.count && checked == o.checked; }
    };
    auto text = [](const std::vector<Row>& r) {
        std::string t;
        for (const Row& row : r) t += row.host + " " + row.count + (row.checked ? " kept; " : " goes; ");
        return t;
    };
    std::vector<Row> rows;
    bool subdomainStayed = false, unlisted = false;
    int countAt200 = 0, siteAt200 = 0, listWidth = 0;
    // The Protected Mode cache, seen by a copy of its own, has cookies of c.test too: one row.
    ::SetEnvironmentVariableA("DW_STUB_MODE", "own");
    ::SetEnvironmentVariableA("DW_STUB_HOST", "c.test");
    std::string stub = EnvOr("DUSTWHIRL_EXE", "Dustwhirl.exe");
    stub = stub.substr(0, stub.find_last_of("\\/") + 1) + "dw_secondpass_stub.exe";
    RunMainDialog([&](CMainDlg& dlg) {
        dlg.SetKeepList({path, false});
        dlg.SetProtectedCacheReach([&] {
            ProtectedCacheReach reach;
            reach.copy.emplace();
            reach.copy->exe.assign(stub.begin(), stub.end());
            reach.copy->ownCacheAlways = true;
            return reach;
        });
        g_inEditor = [&](HWND editor) {
            HWND list = ::GetDlgItem(editor, IDC_KEEP_HOSTS);
            const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
            for (int row = 0; row < count; ++row) rows.push_back({Cell(list, row, 0), Cell(list, row, 1), Checked(list, row)});
            EXPECT_EQ(::GetFocus(), list) << "the keyboard starts in the list";
            // Moved to a monitor of 200 %, the columns follow (the dialog manager places the
            // controls; the list's columns are the editor's own).
            RECT where;
            ::GetWindowRect(editor, &where);
            ::SendMessageW(editor, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&where));
            RECT client;
            ::GetClientRect(list, &client);
            countAt200 = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0));
            siteAt200 = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
            listWidth = client.right;
            // www.b.test is kept through b.test: it cannot be taken out alone.
            SetChecked(list, 3, false);
            subdomainStayed = Checked(list, 3);
            SetChecked(list, 2, false);
            unlisted = !Checked(list, 2);
            ::SendMessageW(editor, WM_COMMAND, IDOK, 0);
        };
        ::SetTimer(nullptr, 0, 20, PlayInEditor);
        dlg.SendMessage(WM_SYSCOMMAND, IDM_KEEP_LIST, 0);
    });
    ::SetEnvironmentVariableA("DW_STUB_MODE", nullptr);
    ::SetEnvironmentVariableA("DW_STUB_HOST", nullptr);
    EXPECT_EQ(text(rows), text({{"b.test", "1", true}, {"c.test", "3", false}, {"listed.test", "0", true},
                                {"www.b.test", "2", true}}));
    EXPECT_TRUE(subdomainStayed);
    EXPECT_TRUE(unlisted);
    EXPECT_EQ(countAt200, 140);
    EXPECT_EQ(siteAt200, listWidth - 140 - CDpiScale(192).Metric(SM_CXVSCROLL));
    EXPECT_EQ(LoadKeepList({path, true}).bytes, "# mine\nb.test\n");
    ::DeleteFileW(path.c_str());
    ClearUrlCache();
}

std::function<void(HWND)> g_inBox;

BOOL CALLBACK FindMessageBox(HWND w, LPARAM found) {
    if (::IsWindowVisible(w) && ::GetDlgItem(w, 0xFFFF) != nullptr && ::GetDlgItem(w, IDC_KEEP_HOSTS) == nullptr &&
        ::GetDlgItem(w, IDC_PLANNING_STATUS) == nullptr) {
        *reinterpret_cast<HWND*>(found) = w;
    }
    return TRUE;
}

// A timer's procedure that finds the window find looks for among this thread's and plays play
// in it once; until that window is up, the timer fires again.
template <BOOL(CALLBACK* find)(HWND, LPARAM), std::function<void(HWND)>& play>
void CALLBACK PlayIn(HWND, UINT, UINT_PTR id, DWORD) {
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), find, reinterpret_cast<LPARAM>(&found));
    if (found == nullptr) return;
    ::KillTimer(nullptr, id);
    play(found);
}
constexpr TIMERPROC PlayInBox = PlayIn<FindMessageBox, g_inBox>;

// Another program's change made while the editor was open is never saved over: OK says so and
// offers to read the file again; read again, the editor shows that list, and OK saves from it.
TEST(MainDialog, TheKeepListEditorNeverSavesOverAFileChangedUnderIt) {
    ClearUrlCache();
    ASSERT_TRUE(SeedUrlCache({"Cookie:u@b.test/", "Cookie:u@c.test/"}));
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"dw-changed-keep-" + DecimalText(::GetCurrentProcessId()) + L".txt";
    ASSERT_TRUE(SaveKeepList(path, "b.test\n"));
    const std::string theirs = "# theirs\nother.test\n";
    std::string said, afterRefusal;
    std::vector<std::string> rows;
    RunMainDialog([&](CMainDlg& dlg) {
        dlg.SetKeepList({path, false});
        g_inEditor = [&](HWND editor) {
            HWND list = ::GetDlgItem(editor, IDC_KEEP_HOSTS);
            SetChecked(list, 1, true);  // c.test, a change of this editor's own
            ASSERT_TRUE(SaveKeepList(path, theirs));
            g_inBox = [&](HWND box) {
                said = MessageBoxText(box);
                PostClick(::GetDlgItem(box, IDYES));
            };
            ::SetTimer(nullptr, 0, 20, PlayInBox);
            ::SendMessageW(editor, WM_COMMAND, IDOK, 0);
            afterRefusal = LoadKeepList({path, true}).bytes;
            const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
            for (int row = 0; row < count; ++row) rows.push_back(Cell(list, row, 0) + (Checked(list, row) ? " kept" : " goes"));
            SetChecked(list, 0, true);  // b.test, chosen again over the list read anew
            ::SendMessageW(editor, WM_COMMAND, IDOK, 0);
        };
        ::SetTimer(nullptr, 0, 20, PlayInEditor);
        dlg.SendMessage(WM_SYSCOMMAND, IDM_KEEP_LIST, 0);
    });
    EXPECT_NE(said.find("変更されました"), std::string::npos) << said;
    EXPECT_EQ(afterRefusal, theirs) << "the other program's list stands";
    EXPECT_EQ(rows, (std::vector<std::string>{"b.test goes", "c.test goes", "other.test kept"}));
    EXPECT_EQ(LoadKeepList({path, true}).bytes, theirs + "b.test\r\n");
    ::DeleteFileW(path.c_str());
    ClearUrlCache();
}

// A stored keep list whose place the shell cannot give stops the cookie button as a broken
// list does: the window says so, deletes nothing and stays open.
TEST(MainDialog, AKeepListOfUnknownPlaceStopsTheCookieButton) {
    ClearUrlCache();
    ASSERT_TRUE(SeedUrlCache({"Cookie:u@b.test/", "http://b.test/"}));
    std::string said;
    bool stillOpen = false;
    RunMainDialog([&](CMainDlg& dlg) {
        dlg.SetKeepList(StoredKeepListIn(L""));
        g_inBox = [&](HWND box) {
            said = MessageBoxText(box);
            // A question instead would be answered No: nothing is deleted either way.
            PostClick(::GetDlgItem(box, ::GetDlgItem(box, IDOK) != nullptr ? IDOK : IDNO));
        };
        ::SetTimer(nullptr, 0, 20, PlayInBox);
        ::SendMessageW(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_COOKIE, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dlg.m_hWnd, IDC_COOKIE)));
        stillOpen = ::IsWindow(dlg.m_hWnd) && ::IsWindowVisible(dlg.m_hWnd);
    });
    EXPECT_NE(said.find("%APPDATA%"), std::string::npos) << said;
    EXPECT_NE(said.find("何も削除しませんでした"), std::string::npos) << said;
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(UrlCacheSourceNames().size(), 2u) << "nothing deleted";
    ClearUrlCache();
}

std::function<void(HWND)> g_inWait;

BOOL CALLBACK FindPlanningWait(HWND w, LPARAM found) {
    if (::IsWindowVisible(w) && ::GetDlgItem(w, IDC_PLANNING_STATUS) != nullptr) *reinterpret_cast<HWND*>(found) = w;
    return TRUE;
}

constexpr TIMERPROC PlayInWait = PlayIn<FindPlanningWait, g_inWait>;

// A look at the caches that lasts (a copy that says nothing, or one that beats on) shows the
// wait after a moment, with 中止; 中止 or Esc stops the look and ends the copy, nothing is
// deleted, no question comes, and the main window stays as it was. The window's thread pumps
// throughout: the timers that play this test run on it.
TEST(MainDialog, ALongLookAtTheCachesShowsAWaitThatStopsIt) {
    const struct Case {
        const char* mode;
        bool byEsc;
    } cases[] = {{"silent", false}, {"flood", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ClearUrlCache();
        ASSERT_TRUE(SeedUrlCache({"Cookie:u@b.test/", "http://b.test/"}));
        const std::string alive = "DwWaitStub-" + std::to_string(::GetCurrentProcessId());
        ::SetEnvironmentVariableA("DW_STUB_MODE", c.mode);
        ::SetEnvironmentVariableA("DW_STUB_EVENT", alive.c_str());
        std::string stub = EnvOr("DUSTWHIRL_EXE", "Dustwhirl.exe");
        stub = stub.substr(0, stub.find_last_of("\\/") + 1) + "dw_secondpass_stub.exe";
        auto running = [&] {
            CKernelHandle event(::OpenEventA(SYNCHRONIZE, FALSE, alive.c_str()));
            return static_cast<bool>(event);
        };
        std::string status, button, stopping;
        bool asked = false, ownerDisabled = false, stillOpen = false, copyRan = false;
        DWORD pressedAt = 0, endedAt = 0;
        RunMainDialog([&](CMainDlg& dlg) {
            dlg.SetPlanningShowAfter(50);
            dlg.SetProtectedCacheReach([&] {
                ProtectedCacheReach reach;
                reach.copy.emplace();
                reach.copy->exe.assign(stub.begin(), stub.end());
                reach.copy->ownCacheAlways = true;
                return reach;
            });
            g_inWait = [&](HWND wait) {
                status = WindowText(::GetDlgItem(wait, IDC_PLANNING_STATUS));
                HWND cancel = ::GetDlgItem(wait, IDCANCEL);
                button = WindowText(cancel);
                ownerDisabled = !::IsWindowEnabled(dlg.m_hWnd);
                copyRan = WaitUntil(running, 20000);
                pressedAt = ::GetTickCount();
                // Handled at once, as the dialog's loop would handle it; then the wait says it is
                // stopping until the copy is gone.
                if (c.byEsc) {
                    MSG esc{cancel, WM_KEYDOWN, VK_ESCAPE, 0};
                    ::IsDialogMessageW(wait, &esc);
                } else {
                    ::SendMessageW(cancel, BM_CLICK, 0, 0);
                }
                stopping = WindowText(::GetDlgItem(wait, IDC_PLANNING_STATUS));
            };
            g_inBox = [&](HWND box) {
                asked = true;
                PostClick(::GetDlgItem(box, ::GetDlgItem(box, IDNO) != nullptr ? IDNO : IDOK));
            };
            ::SetTimer(nullptr, 0, 20, PlayInWait);
            ::SetTimer(nullptr, 0, 50, PlayInBox);
            ::SendMessageW(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_COOKIE, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(dlg.m_hWnd, IDC_COOKIE)));
            endedAt = ::GetTickCount();
            stillOpen = ::IsWindow(dlg.m_hWnd) && ::IsWindowVisible(dlg.m_hWnd) && ::IsWindowEnabled(dlg.m_hWnd);
        });
        ::SetEnvironmentVariableA("DW_STUB_MODE", nullptr);
        ::SetEnvironmentVariableA("DW_STUB_EVENT", nullptr);
        EXPECT_EQ(status, "キャッシュを調べています…");
        EXPECT_EQ(button, "中止");
        EXPECT_TRUE(ownerDisabled) << "the main window waits under it";
        EXPECT_TRUE(copyRan);
        EXPECT_EQ(stopping, "中止しています…");
        EXPECT_LT(endedAt - pressedAt, 5000u) << "stopped at once, not at a bound";
        EXPECT_FALSE(asked) << "no question after 中止";
        EXPECT_TRUE(stillOpen);
        EXPECT_FALSE(running()) << "the copy is gone";
        EXPECT_EQ(UrlCacheSourceNames().size(), 2u) << "nothing deleted";
    }
    ClearUrlCache();
}

}  // namespace
