// The window a conformance run's device is created for: headless on this
// project's layer, a hidden window on Windows.
#pragma once

#include <windows.h>

HWND CreateConformanceWindow();
void DestroyConformanceWindow(HWND window);
