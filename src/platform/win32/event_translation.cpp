#include "win32/event_translation.h"

#include "win32/keymap.h"

namespace {

constexpr UINT VirtualKeyF10 = VK_F1 + 9;

void Add(TranslatedEvent &out, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    out.messages[out.count++] = MSG{hwnd, message, wParam, lParam, 0, {0, 0}};
}

// Key messages as Windows builds them: repeat count 1 in bits 0-15, the scan
// code in 16-23, the extended flag in 24, "Alt is down" in 29, "was down
// before" in 30 (auto-repeat and key-up) and "is being released" in 31.
// With Alt held (or for Alt itself, or F10) they are the SYS variants.
void AddKey(TranslatedEvent &out, HWND hwnd, const SDL_KeyboardEvent &key) {
    WindowsKey windowsKey;
    if (!LookupWindowsKey(key.keysym, &windowsKey)) return;
    const bool up = key.type == SDL_KEYUP;
    const bool altDown = (key.keysym.mod & KMOD_ALT) != 0;
    const bool system = altDown || windowsKey.virtualKey == VK_MENU || windowsKey.virtualKey == VirtualKeyF10;
    DWORD bits = 1u | DWORD(windowsKey.scanCode) << 16;
    if (windowsKey.extended) bits |= 1u << 24;
    if (altDown) bits |= 1u << 29;
    if (up || key.repeat) bits |= 1u << 30;
    if (up) bits |= 1u << 31;
    const UINT message = system ? (up ? WM_SYSKEYUP : WM_SYSKEYDOWN) : (up ? WM_KEYUP : WM_KEYDOWN);
    Add(out, hwnd, message, windowsKey.virtualKey, LPARAM(bits));
}

// A size report, unless it repeats the last one the window was given. A
// completed resize of a normal window also ends Windows' modal size loop,
// which SDL does not report separately.
void AddSize(TranslatedEvent &out, const EventWindow &window, WPARAM sizeType, bool endsResize) {
    const LPARAM size = sizeType == SIZE_MINIMIZED ? 0 : MAKELPARAM(window.clientWidth, window.clientHeight);
    if (sizeType == window.lastSizeType && size == window.lastSizeParam) return;
    Add(out, window.hwnd, WM_SIZE, sizeType, size);
    if (endsResize && sizeType == SIZE_RESTORED) Add(out, window.hwnd, WM_EXITSIZEMOVE, 0, 0);
}

void AddWindowEvent(TranslatedEvent &out, const EventWindow &window, const SDL_WindowEvent &event) {
    switch (event.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_RESIZED:
        AddSize(out, window, window.sizeType, true);
        break;
    case SDL_WINDOWEVENT_MAXIMIZED:
        AddSize(out, window, SIZE_MAXIMIZED, false);
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        AddSize(out, window, SIZE_MINIMIZED, false);
        break;
    case SDL_WINDOWEVENT_RESTORED:
        // Restoring a minimised window that was maximised brings it back maximised.
        AddSize(out, window, window.sizeType == SIZE_MAXIMIZED ? SIZE_MAXIMIZED : SIZE_RESTORED, false);
        break;
    case SDL_WINDOWEVENT_CLOSE:
        Add(out, window.hwnd, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

}  // namespace

TranslatedEvent TranslateSDLEvent(const SDL_Event &event, const EventWindow &window) {
    TranslatedEvent out{};
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        AddKey(out, window.hwnd, event.key);
        break;
    case SDL_WINDOWEVENT:
        AddWindowEvent(out, window, event.window);
        break;
    case SDL_QUIT:
        Add(out, window.hwnd, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
    return out;
}
