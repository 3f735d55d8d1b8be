// The window and message layer: SDL events into window messages, the message
// queue and the window lifecycle through headless windows, and the kernel32
// helpers. No display is needed.

#include "platform_error.h"
#include "win32/event_translation.h"
#include "win32/headless.h"
#include "win32/win32.h"
#include "win32/window_internal.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Call = std::tuple<UINT, WPARAM, LPARAM>;  // message, wParam, lParam

// ---------------------------------------------------------------------------
// SDL events into messages

const HWND SomeWindow = reinterpret_cast<HWND>(0x1000);  // never dereferenced by the translation

SDL_Event Key(Uint32 type, SDL_Keycode sym, SDL_Scancode scancode, Uint16 mod = KMOD_NONE, Uint8 repeat = 0) {
    SDL_Event event{};
    const Uint8 state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key = SDL_KeyboardEvent{type, 0, 0, state, repeat, 0, 0, SDL_Keysym{scancode, sym, mod, 0}};
    return event;
}

SDL_Event Event(Uint32 type, Uint8 windowEvent = 0) {
    SDL_Event event{};
    event.window.type = type;
    event.window.event = windowEvent;
    return event;
}

SDL_Event Window(Uint8 which) { return Event(SDL_WINDOWEVENT, which); }

// A window of that client size and state, last told the given size.
EventWindow Target(int width, int height, WPARAM sizeType = SIZE_RESTORED, WPARAM lastType = NoSizeReported,
                   LPARAM lastSize = 0) {
    return EventWindow{SomeWindow, width, height, sizeType, lastType, lastSize};
}

std::vector<Call> Translate(const std::vector<SDL_Event> &events, const EventWindow &window) {
    KeyboardMemory keyboard;
    std::vector<Call> messages;  // one for another window shows as message 0
    for (const SDL_Event &event : events) {
        const TranslatedEvent translated = TranslateSDLEvent(event, window, keyboard);
        for (int i = 0; i < translated.count; ++i) {
            const MSG &m = translated.messages[i];
            messages.emplace_back(m.hwnd == SomeWindow ? m.message : 0, m.wParam, m.lParam);
        }
    }
    return messages;
}

TEST(EventTranslation, EachEventGivesTheMessagesWindowsWould) {
    constexpr LPARAM W = 0x00110001, Alt = 1 << 29, Previous = 1 << 30, Release = 0x80000000u;
    const LPARAM full = MAKELPARAM(1280, 1005), narrower = MAKELPARAM(1000, 1005), size800 = 0x02580320;
    const EventWindow any = Target(1, 1), maximised = Target(1280, 1005, SIZE_MAXIMIZED, SIZE_MAXIMIZED, full);
    const SDL_Event sizeChanged = Window(SDL_WINDOWEVENT_SIZE_CHANGED), restore = Window(SDL_WINDOWEVENT_RESTORED);
    const struct {
        SDL_Event event;
        EventWindow window;
        std::vector<Call> messages;
    } cases[] = {
        // Virtual key, repeat count, scan code, extended bit; key-up sets the
        // previous-state and transition bits with LPARAM zero-extended.
        {Key(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W), any, {{WM_KEYDOWN, 'W', W}}},
        {Key(SDL_KEYUP, SDLK_w, SDL_SCANCODE_W), any, {{WM_KEYUP, 'W', W | Previous | Release}}},
        {Key(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, KMOD_NONE, 1), any, {{WM_KEYDOWN, 'W', W | Previous}}},  // repeat
        {Key(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A), any, {{WM_KEYDOWN, 'A', 0x001E0001}}},
        {Key(SDL_KEYDOWN, SDLK_SPACE, SDL_SCANCODE_SPACE), any, {{WM_KEYDOWN, VK_SPACE, 0x00390001}}},
        {Key(SDL_KEYDOWN, SDLK_F12, SDL_SCANCODE_F12), any, {{WM_KEYDOWN, VK_F12, 0x00580001}}},
        {Key(SDL_KEYDOWN, SDLK_RCTRL, SDL_SCANCODE_RCTRL), any, {{WM_KEYDOWN, VK_CONTROL, 0x011D0001}}},  // extended
        {Key(SDL_KEYDOWN, SDLK_LEFT, SDL_SCANCODE_LEFT), any, {{WM_KEYDOWN, VK_LEFT, 0x014B0001}}},
        {Key(SDL_KEYDOWN, 0x0444, SDL_SCANCODE_A), any, {{WM_KEYDOWN, 'A', 0x001E0001}}},  // Cyrillic: by position
        {Key(SDL_KEYDOWN, SDLK_VOLUMEUP, SDL_SCANCODE_VOLUMEUP), any, {}},
        // Alt held without Ctrl makes system keys, also for a key released
        // with Alt held; F10 is one always. Shift changes nothing.
        {Key(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, KMOD_LALT), any, {{WM_SYSKEYDOWN, 'W', W | Alt}}},
        {Key(SDL_KEYUP, SDLK_w, SDL_SCANCODE_W, KMOD_RALT), any, {{WM_SYSKEYUP, 'W', W | Alt | Previous | Release}}},
        {Key(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, KMOD_LSHIFT | KMOD_LALT), any, {{WM_SYSKEYDOWN, 'W', W | Alt}}},
        {Key(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, KMOD_LCTRL | KMOD_LSHIFT), any, {{WM_KEYDOWN, 'W', W}}},
        {Key(SDL_KEYDOWN, SDLK_F10, SDL_SCANCODE_F10), any, {{WM_SYSKEYDOWN, VK_F10, 0x00440001}}},
        {Key(SDL_KEYDOWN, SDLK_F10, SDL_SCANCODE_F10, KMOD_LCTRL), any, {{WM_SYSKEYDOWN, VK_F10, 0x00440001}}},
        // Ctrl+Alt+letter, and a letter with AltGr, are plain key messages
        // that still carry the Alt bit.
        {Key(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, KMOD_LCTRL | KMOD_LALT), any, {{WM_KEYDOWN, 'W', W | Alt}}},
        {Key(SDL_KEYUP, SDLK_w, SDL_SCANCODE_W, KMOD_RCTRL | KMOD_RALT), any,
         {{WM_KEYUP, 'W', W | Alt | Previous | Release}}},
        {Key(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, KMOD_MODE), any, {{WM_KEYDOWN, 'W', W | Alt}}},
        {Key(SDL_KEYDOWN, SDLK_F10, SDL_SCANCODE_F10, KMOD_MODE), any, {{WM_SYSKEYDOWN, VK_F10, 0x00440001 | Alt}}},
        // The focus going to another application's window, and coming back.
        {Window(SDL_WINDOWEVENT_FOCUS_LOST), any,
         {{WM_NCACTIVATE, FALSE, 0}, {WM_ACTIVATE, WA_INACTIVE, 0}, {WM_ACTIVATEAPP, FALSE, 0}, {WM_KILLFOCUS, 0, 0}}},
        {Window(SDL_WINDOWEVENT_FOCUS_LOST), Target(0, 0, SIZE_MINIMIZED),
         {{WM_NCACTIVATE, FALSE, 0}, {WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0}, {WM_ACTIVATEAPP, FALSE, 0},
          {WM_KILLFOCUS, 0, 0}}},
        {Window(SDL_WINDOWEVENT_FOCUS_GAINED), any,
         {{WM_ACTIVATEAPP, TRUE, 0}, {WM_NCACTIVATE, TRUE, 0}, {WM_ACTIVATE, WA_ACTIVE, 0}, {WM_SETFOCUS, 0, 0}}},
        // A resize is reported once (SDL sends SIZE_CHANGED then RESIZED) and ends the size loop.
        {sizeChanged, Target(800, 600), {{WM_SIZE, SIZE_RESTORED, size800}, {WM_EXITSIZEMOVE, 0, 0}}},
        {Window(SDL_WINDOWEVENT_RESIZED), Target(800, 600, SIZE_RESTORED, SIZE_RESTORED, size800), {}},
        {Window(SDL_WINDOWEVENT_MAXIMIZED), Target(1280, 1005, SIZE_MAXIMIZED), {{WM_SIZE, SIZE_MAXIMIZED, full}}},
        // After a maximise SIZE_CHANGED repeats it; a real change while maximised ends no drag.
        {sizeChanged, maximised, {}},
        {sizeChanged, Target(1000, 1005, SIZE_MAXIMIZED, SIZE_MAXIMIZED, full), {{WM_SIZE, SIZE_MAXIMIZED, narrower}}},
        {Window(SDL_WINDOWEVENT_MINIMIZED), Target(0, 0, SIZE_MINIMIZED), {{WM_SIZE, SIZE_MINIMIZED, 0}}},
        {restore, Target(800, 600, SIZE_RESTORED, SIZE_MINIMIZED), {{WM_SIZE, SIZE_RESTORED, size800}}},
        // Restoring from the taskbar a window that was maximised before.
        {restore, Target(1280, 1005, SIZE_MAXIMIZED, SIZE_MINIMIZED), {{WM_SIZE, SIZE_MAXIMIZED, full}}},
        // A close request, and a signal asking the program to end (SDL_QUIT),
        // close the window as Windows' close button does.
        {Window(SDL_WINDOWEVENT_CLOSE), any, {{WM_CLOSE, 0, 0}}},
        {Event(SDL_QUIT), any, {{WM_CLOSE, 0, 0}}},
        {Event(SDL_MOUSEMOTION), any, {}},
        {Window(SDL_WINDOWEVENT_MOVED), any, {}},
    };
    for (const auto &c : cases) EXPECT_EQ(Translate({c.event}, c.window), c.messages) << "case " << &c - cases;
}

// SDL releases the held keys just before it reports a focus loss; Windows
// sends no key-up for them, so they go. Releases for another window, or
// before other events, stay.
TEST(EventTranslation, ReleasesMadeUpForAFocusLossAreDropped) {
    auto keyUp = [](SDL_Keycode sym, SDL_Scancode scancode, Uint32 windowId) {
        SDL_Event event = Key(SDL_KEYUP, sym, scancode);
        event.key.windowID = windowId;
        return event;
    };
    auto focusLost = [](Uint32 windowId) {
        SDL_Event event = Window(SDL_WINDOWEVENT_FOCUS_LOST);
        event.window.windowID = windowId;
        return event;
    };
    const SDL_Event upW = keyUp(SDLK_w, SDL_SCANCODE_W, 1), upA = keyUp(SDLK_a, SDL_SCANCODE_A, 1);
    const SDL_Event otherUp = keyUp(SDLK_d, SDL_SCANCODE_D, 2), motion = Event(SDL_MOUSEMOTION);
    std::vector<SDL_Event> events = {upW, motion, upA, otherUp, upW, focusLost(1), upA};
    DropReleasesBeforeFocusLoss(events);
    std::string left;  // the letter of each key released, '~' for any other event
    for (const SDL_Event &event : events) left += event.type == SDL_KEYUP ? char(event.key.keysym.sym) : '~';
    EXPECT_EQ(left, "w~ad~a");
}

// ---------------------------------------------------------------------------
// Headless windows and the queue

std::vector<Call> Calls;  // what the window procedure received
// What a test's window procedure does beyond recording; DefWindowProcA when null.
LRESULT (*Reaction)(HWND, UINT, WPARAM, LPARAM) = nullptr;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Calls.emplace_back(message, wParam, lParam);
    return Reaction ? Reaction(hwnd, message, wParam, lParam) : DefWindowProcA(hwnd, message, wParam, lParam);
}

WNDCLASSEXA ClassNamed(LPCSTR name) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name;
    return windowClass;
}

const LPARAM ClientOf1024x768 = MAKELPARAM(1024 - 16, 768 - 39);  // a typical Windows frame taken off
using Posted = std::tuple<HWND, UINT, WPARAM, LPARAM>;

class HeadlessWindow : public testing::Test {
protected:
    void SetUp() override {
        SetHeadlessWindows(true);
        const WNDCLASSEXA windowClass = ClassNamed("Test");
        ASSERT_NE(RegisterClassExA(&windowClass), 0);
        Reaction = nullptr;
        Calls.clear();
    }
    void TearDown() override {
        Reaction = nullptr;
        for (HWND window : created) DestroyWindow(window);
        Drain();
        UnregisterClassA("Test", nullptr);
    }
    HWND Create(int width = 1024, int height = 768, LPCSTR className = "Test") {
        created.push_back(CreateWindowExA(0, className, "Test", WS_OVERLAPPEDWINDOW, 0, 0, width, height,
                                          GetDesktopWindow(), nullptr, GetModuleHandleA(nullptr), nullptr));
        return created.back();
    }
    static MSG Peek(HWND window = nullptr, UINT remove = PM_REMOVE, UINT first = 0, UINT last = 0) {
        MSG message{};
        EXPECT_TRUE(PeekMessageA(&message, window, first, last, remove));
        return message;
    }
    // Everything the queue holds, in order, leaving it empty.
    static std::vector<Posted> Drain() {
        std::vector<Posted> posted;
        for (MSG message; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);)
            posted.emplace_back(message.hwnd, message.message, message.wParam, message.lParam);
        return posted;
    }
    static std::tuple<LONG, LONG, LONG, LONG> Client(HWND window) {
        RECT client{-1, -1, -1, -1};
        EXPECT_TRUE(GetClientRect(window, &client));
        return {client.left, client.top, client.right, client.bottom};
    }
    std::vector<HWND> created;
};

TEST_F(HeadlessWindow, CreationAndFirstShowTellTheClientSizeWithoutTheFrame) {
    HWND window = Create(), maximised = Create();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Client(window), std::make_tuple(0, 0, 1008, 729));
    EXPECT_FALSE(ShowWindow(window, SW_SHOWDEFAULT));  // it was hidden
    EXPECT_TRUE(ShowWindow(window, SW_HIDE));
    ShowWindow(maximised, SW_SHOWMAXIMIZED);
    const Call create{WM_CREATE, 0, 0}, shown{WM_SHOWWINDOW, TRUE, 0}, hidden{WM_SHOWWINDOW, FALSE, 0};
    const Call restored{WM_SIZE, SIZE_RESTORED, ClientOf1024x768}, full{WM_SIZE, SIZE_MAXIMIZED, ClientOf1024x768};
    EXPECT_EQ(Calls, (std::vector<Call>{create, restored, create, restored, shown, restored, hidden, shown, full}));
    EXPECT_TRUE(Drain().empty());  // sent, not posted

    SetHeadlessClientSize(window, 640, 480);
    EXPECT_EQ(Client(window), std::make_tuple(0, 0, 640, 480));
    EXPECT_EQ(Client(Create(10, 10)), std::make_tuple(0, 0, 0, 0));

    EXPECT_EQ(Create(1024, 768, "Nope"), nullptr);
    EXPECT_STREQ(GetPlatformError(), "CreateWindowExA: window class \"Nope\" is not registered");
    // A window procedure that refuses WM_CREATE fails the creation.
    Reaction = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        return message == WM_CREATE ? -1 : DefWindowProcA(hwnd, message, wParam, lParam);
    };
    Calls.clear();
    EXPECT_EQ(Create(), nullptr);
    EXPECT_EQ(Calls, (std::vector<Call>{{WM_CREATE, 0, 0}, {WM_DESTROY, 0, 0}}));
}

TEST_F(HeadlessWindow, QueueIsFirstInFirstOutFilteredByPeekWithQuitOnlyWhenNothingElseWaits) {
    HWND first = Create(), second = Create();
    PostQuitMessage(3);
    PostMessageA(first, WM_USER, 1, -1);
    PostMessageA(second, WM_USER + 1, 2, -2);
    PostMessageA(first, WM_USER + 5, 3, -3);
    PostMessageA(nullptr, WM_USER + 2, 4, -4);  // for no window
    EXPECT_EQ(Peek(second, PM_NOREMOVE).wParam, WPARAM(2));
    EXPECT_EQ(Peek(second, PM_NOREMOVE).wParam, WPARAM(2));
    EXPECT_EQ(Peek(nullptr, PM_REMOVE, WM_USER + 5, WM_USER + 5).wParam, WPARAM(3));
    EXPECT_EQ(Drain(), (std::vector<Posted>{Posted(first, WM_USER, 1, -1), Posted(second, WM_USER + 1, 2, -2),
                                            Posted(nullptr, WM_USER + 2, 4, -4), Posted(nullptr, WM_QUIT, 3, 0)}));
    PostQuitMessage(0);
    EXPECT_EQ(Peek(nullptr, PM_NOREMOVE).message, UINT(WM_QUIT));  // peeking leaves it in place
    EXPECT_EQ(Drain().size(), 1u);
}

// Closing a window destroys it once WM_DESTROY has reached it, and drops what
// was still queued for it; another window's messages stay.
TEST_F(HeadlessWindow, CloseDestroysTheWindowAndDropsItsQueuedMessages) {
    static bool liveDuringDestroy;
    Reaction = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_DESTROY) liveDuringDestroy = IsHeadlessWindow(hwnd);
        return DefWindowProcA(hwnd, message, wParam, lParam);
    };
    HWND window = Create(), other = Create();
    PostMessageA(window, WM_CLOSE, 0, 0);
    PostMessageA(window, WM_KEYUP, 'W', 0xC0110001u);
    PostMessageA(other, WM_USER, 0, 0);
    Calls.clear();
    for (MSG message; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&message);
    SendMessageA(window, WM_USER, 1, 0);  // a stale handle reaches nothing
    EXPECT_EQ(Calls, (std::vector<Call>{{WM_CLOSE, 0, 0}, {WM_DESTROY, 0, 0}, {WM_USER, 0, 0}}));
    EXPECT_TRUE(liveDuringDestroy);
    RECT client;
    EXPECT_FALSE(GetClientRect(window, &client) || IsHeadlessWindow(window) || DestroyWindow(window) ||
                 PostMessageA(window, WM_USER, 0, 0));
}

// Sets or clears an environment variable for one scope.
struct ScopedVariable {
    ScopedVariable(const char *name, const char *value) : name(name), had(getenv(name) != nullptr) {
        if (had) saved = getenv(name);
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedVariable() { had ? setenv(name.c_str(), saved.c_str(), 1) : unsetenv(name.c_str()); }
    std::string name, saved;
    bool had;
};

// A real window needs a real display. SDL quietly falls back to an offscreen
// driver without one; that must be refused too, with the reason.
TEST_F(HeadlessWindow, RealWindowWithoutADisplayFailsWithAReason) {
    const char *cases[][3] = {
        // DISPLAY, SDL_VIDEODRIVER, the error's start
        {nullptr, nullptr, "no display: neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {nullptr, "offscreen", "no display: SDL video driver 'offscreen' is not a real display"},
        {":9999", nullptr, "no display: SDL could not start"},
    };
    ScopedVariable noWayland("WAYLAND_DISPLAY", nullptr);
    SetHeadlessWindows(false);
    for (const auto &c : cases) {
        ScopedVariable display("DISPLAY", c[0]), driver("SDL_VIDEODRIVER", c[1]);
        EXPECT_EQ(Create(), nullptr);
        EXPECT_EQ(std::string(GetPlatformError()).rfind(c[2], 0), 0u) << GetPlatformError();
    }
    SetHeadlessWindows(true);
    EXPECT_TRUE(Calls.empty());
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
}

// ---------------------------------------------------------------------------
// kernel32

TEST(MulDiv, RoundsHalfAwayFromZeroWithA64BitProductAndFailsWithMinusOne) {
    // number, numerator, denominator, result; Big's square needs more than 32 bits
    const int Max = INT_MAX, Min = INT_MIN, Big = 70000;
    const int cases[][4] = {
        {10, 3, 2, 15},       {3, 1, 2, 2},  {-3, 1, 2, -2}, {3, 1, -2, -2},  {-3, -1, -2, -2}, {-3, 1, -2, 2},
        {5, 1, 3, 2},         {4, 1, 3, 1},  {-4, 1, 3, -1}, {1, 1, 3, 0},    {9, 96, 72, 12},  {Max, Max, Max, Max},
        {Big, Big, Big, Big}, {1, 1, 0, -1}, {0, 0, 0, -1},  {Max, 2, 1, -1}, {Min, 2, 1, -1},  {Min, -1, 1, -1},
    };
    for (const auto &c : cases) EXPECT_EQ(MulDiv(c[0], c[1], c[2]), c[3]) << c[0] << " * " << c[1] << " / " << c[2];
}

}  // namespace
