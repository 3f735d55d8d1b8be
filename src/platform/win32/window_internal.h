// What the window, the message queue and the SDL event translation share:
// the window record behind an HWND and the calls between those files.
#pragma once

#include "win32/win32.h"

#include <SDL.h>

#include <vector>

// Marks "no WM_SIZE given yet", so that the first size report is never dropped
// as a repeat.
constexpr WPARAM NoSizeReported = ~WPARAM(0);

struct HWND__ {
    WNDPROC procedure = nullptr;
    ATOM classAtom = 0;
    bool headless = false;
    SDL_Window *sdlWindow = nullptr;  // null for a headless window and once destroyed
    Uint32 sdlWindowId = 0;
    int outerWidth = 0, outerHeight = 0;  // as CreateWindowExA asked, frame included
    bool frameFitted = false;             // the client area has been shrunk by the frame
    int headlessWidth = 0, headlessHeight = 0;
    bool visible = false;
    bool shownBefore = false;
    bool destroying = false;  // WM_DESTROY is being sent
    bool destroyed = false;   // the record stays, so a stale handle is never a dangling one
    // The last WM_SIZE this window was given, to drop a repeat of it.
    WPARAM lastSizeType = NoSizeReported;
    LPARAM lastSizeParam = 0;
};

// window.cpp
HWND__ *LiveWindow(HWND hWnd);  // null for null, unknown or destroyed handles
HWND__ *WindowForSDLId(Uint32 sdlWindowId);
std::vector<HWND> LiveSDLWindows();
void GetClientSize(const HWND__ &window, int *width, int *height);  // 0 x 0 when minimised
WPARAM CurrentSizeType(const HWND__ &window);                       // SIZE_RESTORED, SIZE_MAXIMIZED or SIZE_MINIMIZED
void NoteSizeReported(HWND__ &window, WPARAM sizeType, LPARAM size);

// message_queue.cpp
void RemoveQueuedMessages(HWND hWnd);
