// The about box in processes of its own: the host programs built beside these tests, each
// with its own version resource. (Dustwhirl.exe's own way in, its system menu, is the main
// window's to test.)
#include "AboutTestPaths.h"
#include "AppProcess.h"
#include "Waiting.h"
#include "app/resource.h"

#include <gtest/gtest.h>

namespace {

const char kCaption[] = "バージョン情報";

struct HostRun {
    std::string version, copyright;
    DWORD exitCode = 0xDEAD;
};

// Starts a host, reads the box, ends it with end(box), checks that the owner outlives it and
// then closes the owner.
HostRun RunHost(const char* host, void (*end)(HWND)) {
    HostRun run;
    AppProcess app;
    EXPECT_TRUE(app.Start(AboutBuildFile(host))) << host;
    HWND box = app.WaitForWindow("#32770", kCaption);
    HWND owner = app.WaitForWindow(nullptr, "Dustwhirl");
    EXPECT_NE(box, nullptr);
    EXPECT_NE(owner, nullptr);
    if (box == nullptr || owner == nullptr) return run;
    EXPECT_EQ(::GetWindow(box, GW_OWNER), owner);
    ExpectCentredOver(box, owner);
    run.version = WindowText(::GetDlgItem(box, IDC_VERSION_LINE));
    run.copyright = WindowText(::GetDlgItem(box, IDC_COPYRIGHT_LINE));

    end(box);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, 10000)) << "the box ends";
    PumpFor(300);
    EXPECT_TRUE(app.IsRunning());
    EXPECT_TRUE(::IsWindowVisible(owner)) << "the owner stays open";
    EXPECT_TRUE(::IsWindowEnabled(owner));
    ::PostMessageA(owner, WM_CLOSE, 0, 0);
    EXPECT_TRUE(app.WaitForExit(10000, &run.exitCode));
    return run;
}

void PressOk(HWND box) { PostClick(::GetDlgItem(box, IDOK)); }
void PressCloseBox(HWND box) { ::PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); }

TEST(AboutProcess, ShowsTheProgramsVersionAndEndsWithOkOrTheCloseBox) {
    std::string copyright = WideQuery(AboutBuildFile("about_host_full.exe"), L"LegalCopyright");
    ASSERT_NE(copyright, "-");
    HostRun ok = RunHost("about_host_full.exe", PressOk);
    EXPECT_EQ(ok.version, "Dustwhirl Version 1.0");
    EXPECT_EQ(ok.copyright, copyright);
    EXPECT_EQ(ok.exitCode, static_cast<DWORD>(IDOK));

    HostRun closed = RunHost("about_host_full.exe", PressCloseBox);
    EXPECT_EQ(closed.version, "Dustwhirl Version 1.0");
    EXPECT_EQ(closed.exitCode, static_cast<DWORD>(IDCANCEL));
}

TEST(AboutProcess, AnEmptyFileVersionEndsTheLineAfterVersion) {
    HostRun run = RunHost("about_host_empty.exe", PressOk);
    EXPECT_EQ(run.version, "Dustwhirl Version ");
    EXPECT_EQ(run.copyright, "空のバージョン & Co.");
}

TEST(AboutProcess, WithoutAVersionResourceBothLinesShowADash) {
    HostRun run = RunHost("about_host_bare.exe", PressOk);
    EXPECT_EQ(run.version, "Dustwhirl Version -");
    EXPECT_EQ(run.copyright, "-");
}

}  // namespace
