#include "win32/event_translation.h"

#include "win32/keymap.h"

namespace {

constexpr DWORD AltDownBit = 1u << 29, WasDownBit = 1u << 30, ReleasedBit = 1u << 31;
// Where Windows has AltGr, it reports it as left Ctrl and right Alt together.
constexpr WindowsKey AltGrCtrl = {VK_CONTROL, 0x1D, false}, AltGrAlt = {VK_MENU, 0x38, true};

void Add(TranslatedEvent &out, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    out.messages[out.count++] = MSG{hwnd, message, wParam, lParam, 0, {0, 0}};
}

// Key messages as Windows builds them: repeat count 1 in bits 0-15, the scan
// code in 16-23, the extended flag in 24, "Alt is down" in 29, "was down
// before" in 30 (auto-repeat and key-up) and "is being released" in 31.
void AddKeyMessage(TranslatedEvent &out, HWND hwnd, const WindowsKey &key, bool up, bool repeat, bool altDown,
                   bool system) {
    DWORD bits = 1u | DWORD(key.scanCode) << 16;
    if (key.extended) bits |= 1u << 24;
    if (altDown) bits |= AltDownBit;
    if (up || repeat) bits |= WasDownBit;
    if (up) bits |= ReleasedBit;
    const UINT message = system ? (up ? WM_SYSKEYUP : WM_SYSKEYDOWN) : (up ? WM_KEYUP : WM_KEYDOWN);
    Add(out, hwnd, message, key.virtualKey, LPARAM(bits));
}

// Which keys are system keys, as Windows decides: F10 always; any other key
// while Alt is held without Ctrl (Ctrl+Alt, and AltGr, give plain key
// messages); Alt itself going down without Ctrl, and coming up when no other
// key came between; Ctrl coming up while Alt is held. SDL counts a modifier
// as held while it goes down, not while it comes up, as Windows' Alt bit does.
void AddKey(TranslatedEvent &out, HWND hwnd, const SDL_KeyboardEvent &event, KeyboardMemory &keyboard) {
    const bool up = event.type == SDL_KEYUP;
    const bool ctrlHeld = (event.keysym.mod & (KMOD_CTRL | KMOD_MODE)) != 0;
    const bool altHeld = (event.keysym.mod & (KMOD_ALT | KMOD_MODE)) != 0;
    if (event.keysym.sym == SDLK_MODE) {  // AltGr
        keyboard.altAlone = false;
        AddKeyMessage(out, hwnd, AltGrCtrl, up, event.repeat, up, up);
        AddKeyMessage(out, hwnd, AltGrAlt, up, event.repeat, !up, false);
        return;
    }
    WindowsKey key;
    if (!LookupWindowsKey(event.keysym, &key)) return;
    bool system = false;
    if (key.virtualKey == VK_MENU) {
        if (up) {
            system = keyboard.altAlone;
            keyboard.altAlone = false;
        } else if (!ctrlHeld) {
            system = keyboard.altAlone = true;
        }
    } else if (key.virtualKey == VK_CONTROL) {
        system = up && altHeld;
        if (system) keyboard.altAlone = false;
    } else if (key.virtualKey == VK_F10 || (altHeld && !ctrlHeld)) {
        system = true;
        keyboard.altAlone = false;
    }
    AddKeyMessage(out, hwnd, key, up, event.repeat, altHeld, system);
}

// Another application's window taking the keyboard, or this one getting it
// back, in the order Windows sends: the frame, the activation, the
// application, then the focus. The other window and thread are not ours to
// name, so those parameters are 0.
void AddFocusChange(TranslatedEvent &out, const EventWindow &window, bool gained) {
    const WPARAM minimised = window.sizeType == SIZE_MINIMIZED;
    if (gained) {
        Add(out, window.hwnd, WM_ACTIVATEAPP, TRUE, 0);
        Add(out, window.hwnd, WM_NCACTIVATE, TRUE, 0);
        Add(out, window.hwnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, minimised), 0);
        Add(out, window.hwnd, WM_SETFOCUS, 0, 0);
    } else {
        Add(out, window.hwnd, WM_NCACTIVATE, FALSE, 0);
        Add(out, window.hwnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, minimised), 0);
        Add(out, window.hwnd, WM_ACTIVATEAPP, FALSE, 0);
        Add(out, window.hwnd, WM_KILLFOCUS, 0, 0);
    }
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
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST:
        AddFocusChange(out, window, event.event == SDL_WINDOWEVENT_FOCUS_GAINED);
        break;
    case SDL_WINDOWEVENT_CLOSE:
        Add(out, window.hwnd, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

}  // namespace

TranslatedEvent TranslateSDLEvent(const SDL_Event &event, const EventWindow &window, KeyboardMemory &keyboard) {
    TranslatedEvent out{};
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        AddKey(out, window.hwnd, event.key, keyboard);
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

// The releases are those of the same window that come straight before its
// focus loss. A key really released in the same turn of the loop, just before
// the focus went, is taken out with them; it is still down for the window
// then, as for any key held when the focus goes.
void DropReleasesBeforeFocusLoss(std::vector<SDL_Event> &events) {
    std::vector<SDL_Event> kept;
    kept.reserve(events.size());
    for (const SDL_Event &event : events) {
        if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            while (!kept.empty() && kept.back().type == SDL_KEYUP && kept.back().key.windowID == event.window.windowID)
                kept.pop_back();
        }
        kept.push_back(event);
    }
    events.swap(kept);
}
