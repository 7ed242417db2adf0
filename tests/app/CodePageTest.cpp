// The program's words as users on any system read them. This program runs twice: in the test
// prefix, whose ANSI code page is 932, and in a prefix whose code page is 1252 (a Windows set
// to English); DW_EXPECT_ACP says which. Every text is read back through the wide API from the
// real windows of Dustwhirl.exe, and must be the same in both.
#include "AppProcess.h"
#include "CleanUrlCache.h"
#include "ScreenPixels.h"
#include "Waiting.h"
#include "app/resource.h"
#include "framework/Gdi.h"
#include "framework/WinUtil.h"
#include "skin/DibSection.h"
#include "skin/OffscreenDC.h"
#include "skin/PackedDib.h"
#include "skin/PngResource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

namespace {

TEST(CodePage, IsTheOneThisRunIsFor) {
    const std::string expected = EnvOr("DW_EXPECT_ACP", "932");
    EXPECT_EQ(std::to_string(::GetACP()), expected);
}

// A top-level dialog of the process other than the one given, once one shows.
HWND OtherDialog(const AppProcess& app, HWND besides) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : app.TopWindows()) {
                if (w != besides && ClassName(w) == "#32770") found = w;
            }
            return found != nullptr;
        },
        15000);
    return found;
}

// The description as the window must show it: the background of the art with the text drawn
// through the wide API, in the program's font.
bool DescriptionMatches(HWND main) {
    const RECT area{17, 52, 445, 87};
    CPackedDib picture;
    CDibSection section;
    if (!LoadPngResource(picture, IDB_BACKGROUND, nullptr) || !section.Create(picture.Width(), picture.Height(), 24)) {
        return false;
    }
    {
        COffscreenDC dc(section.Bitmap());
        picture.Draw(dc.GetSafeHdc(), 0, 0);
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(RGB(0, 0, 0));
        CFont font = CreateAppFont();
        CSelectObject select(dc, font);
        RECT rc = area;
        dc.DrawText(L"Internet Explorerのキャッシュまたはクッキーを削除します。\n"
                    L"削除したい内容のボタンをクリックしてください。",
                    &rc, 0);
    }
    ScreenPixels shot = CaptureClient(main);
    const int pitch = section.PaddedWidth() * section.BytesPerPixel();
    int differences = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        const BYTE* row = section.Bits() + (picture.Height() - 1 - y) * pitch;  // bottom-up
        for (int x = area.left; x < area.right; ++x) {
            differences += shot.At(x, y) != RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        }
    }
    return differences == 0;
}

// Each screen: the arguments that reach it from a fresh start, what to read there, and the
// text it must show.
struct Screen {
    const char* name;
    const char* args;
    std::function<std::string(AppProcess&)> read;
    std::string text;
};

TEST(CodePage, EveryScreenShowsTheSameJapanese) {
    ClearUrlCache();
    const std::string prompt = "クッキー 0件（0 B）を削除します。\n一度削除すると元に戻すことができません。\nよろしいですか？";
    const Screen screens[] = {
        {"main window", "",
         [](AppProcess& app) {
             HWND main = app.WaitForMainWindow();
             PumpFor(500);
             return WindowText(main) + (DescriptionMatches(main) ? "|description drawn" : "|description wrong");
         },
         "Dustwhirl|description drawn"},
        {"confirmation", "",
         [](AppProcess& app) {
             HWND main = app.WaitForMainWindow();
             PostClick(::GetDlgItem(main, IDC_COOKIE));
             HWND box = OtherDialog(app, main);
             return WindowText(box) + "|" + MessageBoxText(box);
         },
         "Dustwhirl|" + prompt},
        {"completion", "/cookie",
         [](AppProcess& app) {
             HWND progress = app.WaitForWindow("#32770", nullptr);
             HWND button = ::GetDlgItem(progress, IDC_END_BUTTON);
             WaitUntil([&] { return ::IsWindowVisible(button) != FALSE; }, 30000);
             std::string texts;
             for (HWND c = ::GetWindow(progress, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
                 if (::GetDlgCtrlID(c) != IDC_PROGRESS) texts += WindowText(c) + "|";
             }
             return texts;
         },
         "終了|ファイルを削除中です…|削除には数分かかる場合があります。しばらくお待ちください。|"
         "削除が終わりました（0件、0 B）|"},
        {"about box", "",
         [](AppProcess& app) {
             HWND main = app.WaitForMainWindow();
             ::PostMessageW(main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
             HWND about = OtherDialog(app, main);
             return WindowText(about) + "|" + WindowText(::GetDlgItem(about, IDC_VERSION_LINE));
         },
         "バージョン情報|Dustwhirl Version 1.0"},
        {"sign-in dialog", "",
         [](AppProcess& app) {
             HWND main = app.WaitForMainWindow();
             ::PostMessageW(main, WM_SYSCOMMAND, IDM_SIGN_IN, 0);
             HWND dialog = OtherDialog(app, main);
             return WindowText(dialog) + "|" + WindowText(::GetDlgItem(dialog, IDC_SIGNIN_ALL)) + "|" +
                    WindowText(::GetDlgItem(dialog, IDC_SIGNIN_LOG)).substr(0, std::string("記録: ").size());
         },
         "サインイン時の削除|キャッシュとクッキー(&A)|記録: "},
        {"usage box", "/cache /verbose",
         [](AppProcess& app) { return MessageBoxText(app.WaitForWindow("#32770", "Dustwhirl")).substr(0, 60); },
         std::string("不明なオプションです: /verbose\n\n使い方: Dustwhirl.exe").substr(0, 60)},
    };
    for (const Screen& s : screens) {
        SCOPED_TRACE(s.name);
        AppProcess app;
        ASSERT_TRUE(app.Start(std::string(), s.args));
        EXPECT_EQ(s.read(app), s.text);
    }
}

// Names in the cache are bytes the program hands back as they are; UTF-8 names are deleted and
// logged as the characters they are, whatever the code page.
TEST(CodePage, CacheNamesInUtf8AreDeletedAndLoggedAsWritten) {
    ClearUrlCache();
    const std::vector<std::string> names = {"http://www.example.test/ページ/画像.png", "Cookie:user@例え.テスト/",
                                            "http://www.example.test/한국어?q=€"};
    ASSERT_TRUE(SeedUrlCache(names));
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring log = std::wstring(temp) + L"dw-codepage.log";
    AppProcess app;
    ASSERT_TRUE(app.StartWide(L"/all /silent /log \"" + log + L"\""));
    DWORD code = 99;
    ASSERT_TRUE(app.WaitForExit(60000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(UrlCacheSourceNames().empty());
    std::string text;
    if (FILE* f = ::_wfopen(log.c_str(), L"rb")) {
        char buf[4096];
        text.assign(buf, std::fread(buf, 1, sizeof(buf), f));
        std::fclose(f);
    }
    ::DeleteFileW(log.c_str());
    for (const std::string& name : names) {
        EXPECT_NE(text.find("削除しました\t" + name + "\r\n"), std::string::npos) << name << "\n" << text;
    }
}

}  // namespace
