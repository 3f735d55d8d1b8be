// The window procedure's key table, driven through a headless window's queue
// with no device.
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "win32/headless.h"

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetHeadlessWindows(true);
        WNDCLASSEXA windowClass = {sizeof(WNDCLASSEXA), CS_CLASSDC, MainWindowProc, 0, 0, GetModuleHandleA(NULL),
                                   NULL, NULL, NULL, NULL, "MainWindowTest", NULL};
        RegisterClassExA(&windowClass);
        MainWindow = CreateWindowExA(0, "MainWindowTest", "test", WS_OVERLAPPEDWINDOW, 0, 0, 1024, 768, NULL, NULL,
                                     GetModuleHandleA(NULL), NULL);
        ASSERT_NE(MainWindow, nullptr);
        Drain();
        memset(KeyStates, 0, sizeof KeyStates);
    }
    void TearDown() override {
        if (MainWindow) DestroyWindow(MainWindow);
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        }
        MainWindow = NULL;
        UnregisterClassA("MainWindowTest", GetModuleHandleA(NULL));
    }
    void Drain() {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    void Send(UINT message, WPARAM wParam, LPARAM lParam = 0) {
        PostMessageA(MainWindow, message, wParam, lParam);
        Drain();
    }
};

TEST_F(MainWindowTest, KeyMessagesSetAndClearTheTable) {
    Send(WM_KEYDOWN, 'W');
    EXPECT_EQ(KeyStates['W'], 1);
    Send(WM_KEYDOWN, 'W', 1 | 1 << 30);  // auto-repeat
    EXPECT_EQ(KeyStates['W'], 1);
    Send(WM_KEYUP, 'W');
    EXPECT_EQ(KeyStates['W'], 0);
    Send(WM_SYSKEYDOWN, 'A', 1 << 29);  // with Alt held: the table is untouched
    EXPECT_EQ(KeyStates['A'], 0);
    Send(WM_KEYDOWN, 'D');
    Send(WM_SYSKEYUP, 'D', 1 << 29);  // released while Alt is held: released
    EXPECT_EQ(KeyStates['D'], 0);
    Send(WM_KEYDOWN, 0x1FF);  // out-of-range codes are folded into the table, not past it
    EXPECT_EQ(KeyStates[0xFF], 1);
}

// Keys held when another window takes the keyboard get no key-up here (as
// on Windows): the window lets go of them itself, so the camera stops, and
// a key still held on return moves it again only once pressed again.
TEST_F(MainWindowTest, LosingTheKeyboardFocusReleasesEveryKey) {
    Send(WM_KEYDOWN, 'W');
    Send(WM_KEYDOWN, 'J');
    Send(WM_ACTIVATE, WA_INACTIVE);
    EXPECT_EQ(KeyStates['W'], 1);  // the focus goes last
    Send(WM_KILLFOCUS, 0);
    EXPECT_EQ(KeyStates['W'] + KeyStates['J'], 0);
    Send(WM_SETFOCUS, 0);
    EXPECT_EQ(KeyStates['W'], 0);
    Send(WM_KEYDOWN, 'W', 1 | 1 << 30);  // auto-repeat of the key still held
    EXPECT_EQ(KeyStates['W'], 1);
}

}  // namespace
