// Entry point of every test program: an application object named like the program's own,
// so that message boxes and version lines read as they do in Dustwhirl.exe.
#include "framework/WinApp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {
class TestApp : public CWinApp {};
}  // namespace

int main(int argc, char** argv) {
    TestApp app;
    app.Enable3dControlsStatic();
    app.SetAppName(L"Dustwhirl");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
