// The program's entry point, its one window and the polling message loop.
#pragma once

#include <windows.h>

extern BYTE KeyStates[256];  // 1 while the key with that virtual-key code is held
extern HWND MainWindow;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The window class registered and MainWindow created, hidden, at 1024 x 768
// outer size; null when the window cannot be created.
HWND CreateMainWindow(HINSTANCE instance);

// Takes one message per turn; a turn that finds none renders a frame.
// Returns when WM_QUIT has been dispatched.
void RunMessageLoop();
