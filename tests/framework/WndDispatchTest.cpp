// The framework takes apart the messages whose parameters pack several values and hands the
// values to one handler each; a message that no handler takes still gets the window's default
// processing, and a handled one does not.
#include "framework/Dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr LRESULT kDefaultResult = 99;
constexpr int kOwnButton = 1234;
constexpr UINT kTakenNotification = LVN_ITEMCHANGING;
constexpr LRESULT kNotifyResult = 7;

// The default processing: the window's own procedure, which writes down what reaches it.
std::vector<std::string>* g_log = nullptr;
LRESULT CALLBACK DefaultProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (g_log == nullptr) return ::DefWindowProcW(wnd, msg, wp, lp);
    g_log->push_back("default " + std::to_string(msg));
    return kDefaultResult;
}

HWND CreatePlainWindow() {
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefaultProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"DustwhirlDispatchTest";
        return ::RegisterClassW(&wc);
    }();
    if (atom == 0) return nullptr;
    return ::CreateWindowExW(0, L"DustwhirlDispatchTest", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

// A dialog that takes its own button, one notification, the cursor over its client area and
// every change of scale, and leaves the rest to the framework.
class Recorder : public CDialog {
public:
    Recorder() : CDialog(0) {}
    std::vector<std::string> log;

protected:
    void OnOK() override { log.push_back("OnOK"); }
    void OnCancel() override { log.push_back("OnCancel"); }
    bool OnButtonClicked(int id) override {
        log.push_back("OnButtonClicked " + std::to_string(id));
        return id == kOwnButton || CDialog::OnButtonClicked(id);
    }
    LRESULT OnNotify(const NMHDR& header) override {
        log.push_back("OnNotify " + std::to_string(header.idFrom) + " " + std::to_string(header.code));
        return header.code == kTakenNotification ? kNotifyResult : CDialog::OnNotify(header);
    }
    BOOL OnSetCursor(UINT hitTest) override {
        log.push_back("OnSetCursor " + std::to_string(hitTest));
        return hitTest == HTCLIENT ? TRUE : CDialog::OnSetCursor(hitTest);
    }
    void OnDpiChanged(UINT dpi, const RECT& r) override {
        log.push_back("OnDpiChanged " + std::to_string(dpi) + " " + std::to_string(r.left) + "," + std::to_string(r.top) +
                      "," + std::to_string(r.right) + "," + std::to_string(r.bottom));
    }
};

std::string Default(UINT msg) { return "default " + std::to_string(msg); }

TEST(WndDispatch, EachMessageReachesItsHandlerOnceWithItsValuesAndTheRestReachTheDefault) {
    HWND wnd = CreatePlainWindow();
    ASSERT_NE(wnd, nullptr);
    HWND button = CreatePlainWindow();  // stands in for the control that sends a command
    ASSERT_NE(button, nullptr);
    Recorder recorder;
    ASSERT_TRUE(recorder.SubclassWindow(wnd));

    const auto lpOf = [](const void* p) { return reinterpret_cast<LPARAM>(p); };
    const LPARAM buttonLp = lpOf(button);
    NMHDR taken{button, 55, kTakenNotification};
    NMHDR other{button, 56, static_cast<UINT>(NM_CLICK)};
    const RECT suggested{10, 20, 775, 485};
    const std::string otherCode = std::to_string(static_cast<UINT>(NM_CLICK));
    struct Case {
        const char* what;
        UINT msg;
        WPARAM wp;
        LPARAM lp;
        std::vector<std::string> calls;
        LRESULT result;
    };
    const Case cases[] = {
        {"a click of the dialog's own button", WM_COMMAND, MAKEWPARAM(kOwnButton, BN_CLICKED), buttonLp,
         {"OnButtonClicked 1234"}, 0},
        {"a click of OK", WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), buttonLp, {"OnButtonClicked 1", "OnOK"}, 0},
        {"Esc without a cancel button", WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0, {"OnButtonClicked 2", "OnCancel"}, 0},
        {"an accelerator's command", WM_COMMAND, MAKEWPARAM(kOwnButton, 1), 0, {"OnButtonClicked 1234"}, 0},
        {"a click of a button no one handles", WM_COMMAND, MAKEWPARAM(4321, BN_CLICKED), buttonLp,
         {"OnButtonClicked 4321", Default(WM_COMMAND)}, kDefaultResult},
        {"another notification of a button", WM_COMMAND, MAKEWPARAM(kOwnButton, BN_SETFOCUS), buttonLp,
         {Default(WM_COMMAND)}, kDefaultResult},
        {"a notification taken", WM_NOTIFY, 55, lpOf(&taken), {"OnNotify 55 " + std::to_string(kTakenNotification)},
         kNotifyResult},
        {"a notification left alone", WM_NOTIFY, 56, lpOf(&other), {"OnNotify 56 " + otherCode, Default(WM_NOTIFY)},
         kDefaultResult},
        {"the cursor over the client area", WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd),
         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), {"OnSetCursor 1"}, TRUE},
        {"the cursor over the caption", WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(HTCAPTION, WM_MOUSEMOVE),
         {"OnSetCursor 2", Default(WM_SETCURSOR)}, kDefaultResult},
        {"a change of scale", WM_DPICHANGED, MAKEWPARAM(144, 144), lpOf(&suggested), {"OnDpiChanged 144 10,20,775,485"},
         0},
        {"a message without a handler", WM_APP + 1, 0, 0, {Default(WM_APP + 1)}, kDefaultResult},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        recorder.log.clear();
        g_log = &recorder.log;
        const LRESULT result = ::SendMessageW(wnd, c.msg, c.wp, c.lp);
        g_log = nullptr;
        EXPECT_EQ(recorder.log, c.calls);
        EXPECT_EQ(result, c.result);
    }
    EXPECT_TRUE(::DestroyWindow(button));
}

}  // namespace
