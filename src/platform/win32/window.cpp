// Window classes and windows: an SDL window with an OpenGL surface, or a
// headless record that only tests and benchmarks drive.
#include "platform_error.h"
#include "win32/headless.h"
#include "win32/window_internal.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

// A typical Windows frame around a WS_OVERLAPPEDWINDOW client area; headless
// windows take it off their outer size as Windows would.
constexpr int HeadlessFrameWidth = 16;
constexpr int HeadlessFrameHeight = 39;
// How long the first ShowWindow waits for the window manager to report its frame.
constexpr Uint32 FrameWaitMs = 200;
// Registered classes get atoms from the range Windows uses for them.
constexpr unsigned FirstClassAtom = 0xC000;
constexpr unsigned LastClassAtom = 0xFFFF;
// Show commands the header does not name.
constexpr int ShowMinNoActive = 7;  // SW_SHOWMINNOACTIVE
constexpr int ForceMinimize = 11;   // SW_FORCEMINIMIZE, the last command

struct WindowClass {
    std::string name;
    WNDPROC procedure;
    ATOM atom;
};

std::vector<WindowClass> Classes;
unsigned NextClassAtom = FirstClassAtom;
// Destroyed windows keep their record, so a stale handle is never a dangling
// pointer; LiveWindow tells them apart.
std::vector<std::unique_ptr<HWND__>> Windows;
bool HeadlessMode = false;
HWND__ DesktopWindow;  // a handle distinct from every window, never a live one

// A class may be named by its atom (MAKEINTATOM) instead of a string.
bool IsAtom(LPCSTR name) { return reinterpret_cast<uintptr_t>(name) <= 0xFFFF; }

WindowClass *FindClass(LPCSTR name) {
    if (name == nullptr) return nullptr;
    for (WindowClass &windowClass : Classes) {
        const bool match = IsAtom(name) ? windowClass.atom == reinterpret_cast<uintptr_t>(name)
                                        : strcasecmp(windowClass.name.c_str(), name) == 0;
        if (match) return &windowClass;
    }
    return nullptr;
}

std::string DescribeClassName(LPCSTR name) {
    if (IsAtom(name)) return "#" + std::to_string(reinterpret_cast<uintptr_t>(name));
    return "\"" + std::string(name) + "\"";
}

// What the device asks of the window's surface: a 3.3 core context, double
// buffered, 8 bits per colour and no depth buffer, since the device draws
// into framebuffers of its own.
void SetOpenGLAttributes() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
}

enum class FrameFit { Done, NotKnownYet, Unsupported };

// Windows sizes a window from the outside; SDL sizes the client area. Once
// the window manager says how wide its frame is, the client area gives up
// that much so the outer size is what CreateWindowExA was asked for.
FrameFit TakeFrameOffClientArea(HWND__ &window) {
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(window.sdlWindow, &top, &left, &bottom, &right) != 0) return FrameFit::Unsupported;
    if (top == 0 && left == 0 && bottom == 0 && right == 0) return FrameFit::NotKnownYet;
    SDL_SetWindowSize(window.sdlWindow, std::max(1, window.outerWidth - left - right),
                      std::max(1, window.outerHeight - top - bottom));
    window.frameFitted = true;
    return FrameFit::Done;
}

// A window manager tells its frame only once the window is mapped. Events
// pumped while waiting stay in SDL's queue for PeekMessageA.
void FitFrameOnceMapped(HWND__ &window) {
    const Uint32 start = SDL_GetTicks();
    while (TakeFrameOffClientArea(window) == FrameFit::NotKnownYet && SDL_GetTicks() - start < FrameWaitMs) {
        SDL_Delay(2);
        SDL_PumpEvents();
    }
}

bool CreateSDLWindow(HWND__ &window, LPCSTR title, int x, int y) {
    SetOpenGLAttributes();
    // CW_USEDEFAULT in X leaves the placement to the system (Y is then ignored).
    if (x == CW_USEDEFAULT) x = y = SDL_WINDOWPOS_UNDEFINED;
    const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN;
    window.sdlWindow = SDL_CreateWindow(title ? title : "", x, y, std::max(1, window.outerWidth),
                                        std::max(1, window.outerHeight), flags);
    if (window.sdlWindow == nullptr) {
        SetPlatformError("CreateWindowExA: SDL could not create the window: %s", SDL_GetError());
        return false;
    }
    window.sdlWindowId = SDL_GetWindowID(window.sdlWindow);
    TakeFrameOffClientArea(window);
    return true;
}

void SendSize(HWND__ &window, WPARAM sizeType) {
    int width = 0, height = 0;
    GetClientSize(window, &width, &height);
    const LPARAM size = sizeType == SIZE_MINIMIZED ? 0 : MAKELPARAM(width, height);
    NoteSizeReported(window, sizeType, size);
    SendMessageA(&window, WM_SIZE, sizeType, size);
}

WPARAM SizeTypeForShowCommand(int command) {
    switch (command) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case ShowMinNoActive:
    case ForceMinimize:
        return SIZE_MINIMIZED;
    case SW_SHOWMAXIMIZED:
        return SIZE_MAXIMIZED;
    default:
        return SIZE_RESTORED;
    }
}

void ApplyShowCommand(SDL_Window *sdlWindow, int command, WPARAM sizeType) {
    if (command == SW_HIDE) {
        SDL_HideWindow(sdlWindow);
        return;
    }
    SDL_ShowWindow(sdlWindow);
    if (sizeType == SIZE_MINIMIZED) {
        SDL_MinimizeWindow(sdlWindow);
    } else if (sizeType == SIZE_MAXIMIZED) {
        SDL_MaximizeWindow(sdlWindow);
    } else if (command == SW_SHOWNORMAL || command == SW_RESTORE || command == SW_SHOWDEFAULT) {
        if (SDL_GetWindowFlags(sdlWindow) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_MAXIMIZED)) SDL_RestoreWindow(sdlWindow);
    }
}

}  // namespace

// SDL falls back to its offscreen driver when there is no display; a window
// there would never be seen, so only a real display will do. SDL probes for
// Wayland only in a Wayland session, as elsewhere the probe prints complaints
// of its own.
bool StartVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        const bool wayland = getenv("WAYLAND_DISPLAY") != nullptr;
        if (!wayland && !getenv("DISPLAY") && !getenv("SDL_VIDEODRIVER")) {
            SetPlatformError("no display: neither DISPLAY nor WAYLAND_DISPLAY is set");
            return false;
        }
        if (!wayland) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");  // SDL_VIDEODRIVER still wins
        // Closing the window must arrive as its own close request only; SDL_QUIT
        // then means a signal asked the program to end.
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            SetPlatformError("no display: SDL could not start its video subsystem: %s", SDL_GetError());
            return false;
        }
    }
    const char *driver = SDL_GetCurrentVideoDriver();
    if (driver != nullptr && (strcmp(driver, "x11") == 0 || strcmp(driver, "wayland") == 0)) return true;
    SetPlatformError("no display: SDL video driver '%s' is not a real display", driver ? driver : "(none)");
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
}

HWND__ *LiveWindow(HWND hWnd) {
    if (hWnd == nullptr) return nullptr;
    for (const std::unique_ptr<HWND__> &window : Windows)
        if (window.get() == hWnd) return window->destroyed ? nullptr : window.get();
    return nullptr;
}

HWND__ *WindowForSDLId(Uint32 sdlWindowId) {
    for (const std::unique_ptr<HWND__> &window : Windows)
        if (!window->destroyed && window->sdlWindow != nullptr && window->sdlWindowId == sdlWindowId)
            return window.get();
    return nullptr;
}

std::vector<HWND> LiveSDLWindows() {
    std::vector<HWND> result;
    for (const std::unique_ptr<HWND__> &window : Windows)
        if (!window->destroyed && window->sdlWindow != nullptr) result.push_back(window.get());
    return result;
}

void GetClientSize(const HWND__ &window, int *width, int *height) {
    *width = *height = 0;
    if (window.headless) {
        *width = window.headlessWidth;
        *height = window.headlessHeight;
    } else if (window.sdlWindow != nullptr && !(SDL_GetWindowFlags(window.sdlWindow) & SDL_WINDOW_MINIMIZED)) {
        SDL_GL_GetDrawableSize(window.sdlWindow, width, height);
    }
}

WPARAM CurrentSizeType(const HWND__ &window) {
    if (window.sdlWindow == nullptr) return SIZE_RESTORED;
    const Uint32 flags = SDL_GetWindowFlags(window.sdlWindow);
    if (flags & SDL_WINDOW_MINIMIZED) return SIZE_MINIMIZED;
    if (flags & SDL_WINDOW_MAXIMIZED) return SIZE_MAXIMIZED;
    return SIZE_RESTORED;
}

void NoteSizeReported(HWND__ &window, WPARAM sizeType, LPARAM size) {
    window.lastSizeType = sizeType;
    window.lastSizeParam = size;
}

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA *lpwcx) {
    if (lpwcx == nullptr || lpwcx->cbSize != sizeof(WNDCLASSEXA)) {
        SetPlatformError("RegisterClassExA: cbSize must be sizeof(WNDCLASSEXA) (%zu)", sizeof(WNDCLASSEXA));
        return 0;
    }
    if (lpwcx->lpfnWndProc == nullptr || lpwcx->lpszClassName == nullptr || IsAtom(lpwcx->lpszClassName) ||
        lpwcx->lpszClassName[0] == '\0') {
        SetPlatformError("RegisterClassExA: a class needs a window procedure and a name");
        return 0;
    }
    if (FindClass(lpwcx->lpszClassName) != nullptr) {
        SetPlatformError("RegisterClassExA: class \"%s\" is already registered", lpwcx->lpszClassName);
        return 0;
    }
    if (NextClassAtom > LastClassAtom) {
        SetPlatformError("RegisterClassExA: no class atoms left");
        return 0;
    }
    const ATOM atom = ATOM(NextClassAtom++);
    Classes.push_back({lpwcx->lpszClassName, lpwcx->lpfnWndProc, atom});
    return atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE) {
    WindowClass *windowClass = FindClass(lpClassName);
    if (windowClass == nullptr) {
        SetPlatformError("UnregisterClassA: class %s is not registered",
                         lpClassName ? DescribeClassName(lpClassName).c_str() : "(null)");
        return FALSE;
    }
    for (const std::unique_ptr<HWND__> &window : Windows) {
        if (!window->destroyed && window->classAtom == windowClass->atom) {
            SetPlatformError("UnregisterClassA: windows of class \"%s\" still exist", windowClass->name.c_str());
            return FALSE;
        }
    }
    Classes.erase(Classes.begin() + (windowClass - Classes.data()));
    return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y, int nWidth,
                            int nHeight, HWND hWndParent, HMENU, HINSTANCE, LPVOID) {
    const WindowClass *windowClass = FindClass(lpClassName);
    if (windowClass == nullptr) {
        SetPlatformError("CreateWindowExA: window class %s is not registered",
                         lpClassName ? DescribeClassName(lpClassName).c_str() : "(null)");
        return nullptr;
    }
    if (hWndParent != nullptr && hWndParent != &DesktopWindow && LiveWindow(hWndParent) == nullptr) {
        SetPlatformError("CreateWindowExA: parent %p is not a window", static_cast<void *>(hWndParent));
        return nullptr;
    }
    auto record = std::make_unique<HWND__>();
    HWND__ &window = *record;
    window.procedure = windowClass->procedure;
    window.classAtom = windowClass->atom;
    window.outerWidth = std::max(0, nWidth);
    window.outerHeight = std::max(0, nHeight);
    window.headless = HeadlessMode;
    if (window.headless) {
        window.headlessWidth = std::max(0, nWidth - HeadlessFrameWidth);
        window.headlessHeight = std::max(0, nHeight - HeadlessFrameHeight);
    } else if (!StartVideo() || !CreateSDLWindow(window, lpWindowName, X, Y)) {
        return nullptr;
    }
    Windows.push_back(std::move(record));

    // The procedure sees its window from the start; -1 from WM_CREATE refuses it.
    if (SendMessageA(&window, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(&window);
        SetPlatformError("CreateWindowExA: the window procedure refused WM_CREATE");
        return nullptr;
    }
    if (!window.destroyed) SendSize(window, SIZE_RESTORED);
    if (!window.destroyed && (dwStyle & WS_VISIBLE)) ShowWindow(&window, SW_SHOW);
    return window.destroyed ? nullptr : &window;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
    HWND__ *window = LiveWindow(hWnd);
    if (window == nullptr || window->destroying) {
        SetPlatformError("DestroyWindow: %p is not a window", static_cast<void *>(hWnd));
        return FALSE;
    }
    // WM_DESTROY comes while the window and its SDL window still exist, so
    // the device can be released against them.
    window->destroying = true;
    SendMessageA(hWnd, WM_DESTROY, 0, 0);
    if (window->sdlWindow != nullptr) SDL_DestroyWindow(window->sdlWindow);
    window->sdlWindow = nullptr;
    window->destroyed = true;
    RemoveQueuedMessages(hWnd);
    return TRUE;
}

// Returns whether the window was visible before, as Windows does. The first
// time a window is shown it is told its size.
BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    HWND__ *window = LiveWindow(hWnd);
    if (window == nullptr || nCmdShow < SW_HIDE || nCmdShow > ForceMinimize) {
        SetPlatformError("ShowWindow: bad window %p or command %d", static_cast<void *>(hWnd), nCmdShow);
        return FALSE;
    }
    const bool wasVisible = window->visible;
    const bool show = nCmdShow != SW_HIDE;
    const WPARAM sizeType = SizeTypeForShowCommand(nCmdShow);
    const bool firstShow = show && !window->shownBefore;
    if (window->sdlWindow != nullptr) {
        ApplyShowCommand(window->sdlWindow, nCmdShow, sizeType);
        if (firstShow && sizeType == SIZE_RESTORED && !window->frameFitted) FitFrameOnceMapped(*window);
    }
    window->visible = show;
    window->shownBefore = window->shownBefore || show;
    if (show != wasVisible) SendMessageA(hWnd, WM_SHOWWINDOW, show, 0);
    if (firstShow && !window->destroyed) SendSize(*window, sizeType);
    return wasVisible;
}

// Nothing is drawn outside the device, so there is never anything to paint.
BOOL WINAPI UpdateWindow(HWND hWnd) { return LiveWindow(hWnd) != nullptr; }

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    const HWND__ *window = LiveWindow(hWnd);
    if (window == nullptr || lpRect == nullptr) {
        SetPlatformError("GetClientRect: bad window %p or no RECT", static_cast<void *>(hWnd));
        return FALSE;
    }
    int width = 0, height = 0;
    GetClientSize(*window, &width, &height);
    *lpRect = RECT{0, 0, width, height};
    return TRUE;
}

HWND WINAPI GetDesktopWindow() { return &DesktopWindow; }

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM, LPARAM) {
    if (Msg == WM_CLOSE) DestroyWindow(hWnd);
    return 0;
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    const HWND__ *window = LiveWindow(hWnd);
    if (window == nullptr) {
        SetPlatformError("SendMessageA: %p is not a window", static_cast<void *>(hWnd));
        return 0;
    }
    return window->procedure(hWnd, Msg, wParam, lParam);
}

void SetHeadlessWindows(bool on) { HeadlessMode = on; }

bool HeadlessWindows() { return HeadlessMode; }

void SetHeadlessClientSize(HWND hWnd, int width, int height) {
    HWND__ *window = LiveWindow(hWnd);
    if (window == nullptr || !window->headless) {
        SetPlatformError("SetHeadlessClientSize: %p is not a headless window", static_cast<void *>(hWnd));
        return;
    }
    window->headlessWidth = std::max(0, width);
    window->headlessHeight = std::max(0, height);
}

SDL_Window *GetSDLWindow(HWND hWnd) {
    const HWND__ *window = LiveWindow(hWnd);
    return window ? window->sdlWindow : nullptr;
}

bool IsHeadlessWindow(HWND hWnd) {
    const HWND__ *window = LiveWindow(hWnd);
    return window != nullptr && window->headless;
}
