// Shared ground of the main window tests: the real program as a running process, the main
// dialog run in-process, and the credit line laid out as the window lays it out.
#pragma once

#include "AppProcess.h"

#include <gtest/gtest.h>

#include <functional>

class CMainDlg;

// Windows' default for the keyboard cues, for as long as it lives: hidden until the keyboard is
// used (Wine's own default shows them always). The prefix's setting, seen by the program the
// test starts; the former one is put back afterwards.
class KeyboardCuesHidden {
public:
    KeyboardCuesHidden();
    ~KeyboardCuesHidden();
    KeyboardCuesHidden(const KeyboardCuesHidden&) = delete;
    KeyboardCuesHidden& operator=(const KeyboardCuesHidden&) = delete;

private:
    BOOL m_before = FALSE;
};

// Dustwhirl.exe started for the test, as on Windows for a mouse user (no keyboard cues), and
// closed with its exit button afterwards.
class RunningMainWindow : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    POINT ToScreen(int x, int y) const;

    KeyboardCuesHidden m_cues;
    AppProcess m_app;
    HWND m_main = nullptr;
};

// Runs the main dialog modally in this process and calls scenario from inside its modal loop
// once the dialog is up; the dialog is ended when the scenario returns.
void RunMainDialog(const std::function<void(CMainDlg&)>& scenario);
// The same with a dialog of the test's own (a class derived from CMainDlg).
void RunMainDialog(CMainDlg& dlg, const std::function<void(CMainDlg&)>& scenario);

// The credit line as the window draws it at dpi, measured with a font made the same way.
struct CreditLayout {
    int widths[4];
    int height;
    int left[4];  // x of each segment; the line ends at 495 (at 96 DPI)
};
CreditLayout MeasureCreditLine(int dpi = 96);
