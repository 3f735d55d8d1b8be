// Control of the headless window, for tests and benchmarks. A headless window
// takes every call a real one does, renders through EGL, and has a message
// queue that only PostMessageA (and the layer itself) fills.
#pragma once

#include "win32_types.h"

// SDL's video on a real display (X11, or Wayland in a Wayland session), as
// the layer's windows need it; false with the reason in the platform error
// ("no display: ...") where there is none.
bool StartVideo();

// While on, CreateWindowExA creates headless windows instead of SDL ones.
void SetHeadlessWindows(bool on);
bool HeadlessWindows();

// Changes a headless window's client size, as a user's resize would; the
// caller posts the WM_SIZE / WM_EXITSIZEMOVE that should follow.
void SetHeadlessClientSize(HWND hWnd, int width, int height);

// For the device: the SDL window behind a real window, or null when headless.
struct SDL_Window;
SDL_Window *GetSDLWindow(HWND hWnd);
bool IsHeadlessWindow(HWND hWnd);

// Replaces the performance counter's reading (in nanoseconds) with `ticks`
// while on, so tests can drive the frame clock.
void SetManualPerformanceCounter(bool on, int64_t ticks = 0);
