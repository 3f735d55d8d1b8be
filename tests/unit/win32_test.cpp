// The window and message layer: SDL events into window messages, the message
// queue and the window lifecycle through headless windows, and the kernel32
// helpers. No display is needed.

#include "platform_error.h"
#include "win32/event_translation.h"
#include "win32/headless.h"
#include "win32/win32.h"
#include "win32/window_internal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// SDL events into messages

const HWND SomeWindow = reinterpret_cast<HWND>(0x1000);  // never dereferenced by the translation

SDL_Event Key(Uint32 type, SDL_Keycode sym, SDL_Scancode scancode, Uint16 mod = KMOD_NONE, Uint8 repeat = 0) {
    SDL_Event event{};
    event.key.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat;
    event.key.keysym.sym = sym;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = mod;
    return event;
}

SDL_Event Window(Uint8 which) {
    SDL_Event event{};
    event.window.type = SDL_WINDOWEVENT;
    event.window.event = which;
    return event;
}

// A window of that client size and state, last told the given size.
EventWindow Target(int width, int height, WPARAM sizeType = SIZE_RESTORED, WPARAM lastType = NoSizeReported,
                   LPARAM lastSize = 0) {
    return EventWindow{SomeWindow, width, height, sizeType, lastType, lastSize};
}

// The one message an event must give.
MSG Only(const TranslatedEvent &translated) {
    EXPECT_EQ(translated.count, 1);
    return translated.messages[0];
}

MSG KeyMessage(Uint32 type, SDL_Keycode sym, SDL_Scancode scancode, Uint16 mod = KMOD_NONE, Uint8 repeat = 0) {
    return Only(TranslateSDLEvent(Key(type, sym, scancode, mod, repeat), Target(1, 1)));
}

// Message, wParam and lParam of a message in one comparable value.
std::tuple<UINT, WPARAM, DWORD> Parts(const MSG &message) {
    return {message.message, message.wParam, DWORD(message.lParam)};
}

constexpr DWORD AltBit = 1u << 29, PreviousBit = 1u << 30, ReleaseBit = 1u << 31;

TEST(KeyTranslation, KeysGiveVirtualKeyRepeatCountScanCodeAndExtendedBit) {
    const MSG down = KeyMessage(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W);
    EXPECT_EQ(down.hwnd, SomeWindow);
    EXPECT_EQ(Parts(down), std::make_tuple(UINT(WM_KEYDOWN), WPARAM('W'), 0x00110001u));
    // Key-up sets the previous-state and transition bits; LPARAM is zero-extended.
    EXPECT_EQ(KeyMessage(SDL_KEYUP, SDLK_w, SDL_SCANCODE_W).lParam, LPARAM(0xC0110001u));
    EXPECT_EQ(Parts(KeyMessage(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, KMOD_NONE, 1)),
              std::make_tuple(UINT(WM_KEYDOWN), WPARAM('W'), 0x00110001u | PreviousBit));  // auto-repeat

    struct Case {
        SDL_Keycode sym;
        SDL_Scancode scancode;
        WPARAM virtualKey;
        DWORD lParam;
    } cases[] = {
        {SDLK_a, SDL_SCANCODE_A, 'A', 0x001E0001},
        {SDLK_z, SDL_SCANCODE_Z, 'Z', 0x002C0001},
        {SDLK_0, SDL_SCANCODE_0, '0', 0x000B0001},
        {SDLK_1, SDL_SCANCODE_1, '1', 0x00020001},
        {SDLK_SPACE, SDL_SCANCODE_SPACE, VK_SPACE, 0x00390001},
        {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, VK_ESCAPE, 0x00010001},
        {SDLK_F1, SDL_SCANCODE_F1, VK_F1, 0x003B0001},
        {SDLK_F12, SDL_SCANCODE_F12, VK_F12, 0x00580001},
        {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, VK_SHIFT, 0x00360001},
        {SDLK_RCTRL, SDL_SCANCODE_RCTRL, VK_CONTROL, 0x011D0001},  // E0-prefixed: extended bit
        {SDLK_LEFT, SDL_SCANCODE_LEFT, VK_LEFT, 0x014B0001},
        {0x0444, SDL_SCANCODE_A, 'A', 0x001E0001},  // a Cyrillic layout: letter keys go by position
    };
    for (const Case &c : cases)
        EXPECT_EQ(Parts(KeyMessage(SDL_KEYDOWN, c.sym, c.scancode)),
                  std::make_tuple(UINT(WM_KEYDOWN), c.virtualKey, c.lParam));
    EXPECT_EQ(TranslateSDLEvent(Key(SDL_KEYDOWN, SDLK_VOLUMEUP, SDL_SCANCODE_VOLUMEUP), Target(1, 1)).count, 0);
}

TEST(KeyTranslation, AltHeldMakesSystemKeyMessages) {
    EXPECT_EQ(Parts(KeyMessage(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, KMOD_LALT)),
              std::make_tuple(UINT(WM_SYSKEYDOWN), WPARAM('W'), 0x00110001u | AltBit));
    // A key pressed without Alt and released with it held comes up as a system key.
    EXPECT_EQ(Parts(KeyMessage(SDL_KEYUP, SDLK_w, SDL_SCANCODE_W, KMOD_RALT)),
              std::make_tuple(UINT(WM_SYSKEYUP), WPARAM('W'), 0x00110001u | AltBit | PreviousBit | ReleaseBit));
    // Alt itself: SDL counts it as held while it goes down, not while it comes up.
    EXPECT_EQ(Parts(KeyMessage(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT)),
              std::make_tuple(UINT(WM_SYSKEYDOWN), WPARAM(VK_MENU), 0x00380001u | AltBit));
    EXPECT_EQ(Parts(KeyMessage(SDL_KEYUP, SDLK_LALT, SDL_SCANCODE_LALT)),
              std::make_tuple(UINT(WM_SYSKEYUP), WPARAM(VK_MENU), 0x00380001u | PreviousBit | ReleaseBit));
    // Ctrl and Shift leave key messages plain; F10 is a system key on its own.
    EXPECT_EQ(KeyMessage(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, KMOD_LCTRL | KMOD_LSHIFT).message, UINT(WM_KEYDOWN));
    EXPECT_EQ(Parts(KeyMessage(SDL_KEYDOWN, SDLK_F10, SDL_SCANCODE_F10)),
              std::make_tuple(UINT(WM_SYSKEYDOWN), WPARAM(VK_F1 + 9), 0x00440001u));
}

// SDL releases every held key just before it reports that the window lost the
// keyboard; those releases must arrive, or the key would stay held.
TEST(KeyTranslation, KeyUpJustBeforeFocusLossStillArrives) {
    std::vector<MSG> messages;
    for (const SDL_Event &event : {Key(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W), Key(SDL_KEYUP, SDLK_w, SDL_SCANCODE_W),
                                   Window(SDL_WINDOWEVENT_FOCUS_LOST)}) {
        const TranslatedEvent translated = TranslateSDLEvent(event, Target(1, 1));
        messages.insert(messages.end(), translated.messages, translated.messages + translated.count);
    }
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].message, UINT(WM_KEYUP));
    EXPECT_EQ(messages[1].wParam, WPARAM('W'));
}

TEST(WindowEventTranslation, ResizeGivesOneSizeReportThenEndsTheSizeLoop) {
    const TranslatedEvent changed = TranslateSDLEvent(Window(SDL_WINDOWEVENT_SIZE_CHANGED), Target(800, 600));
    ASSERT_EQ(changed.count, 2);
    EXPECT_EQ(Parts(changed.messages[0]), std::make_tuple(UINT(WM_SIZE), WPARAM(SIZE_RESTORED), 0x02580320u));
    EXPECT_EQ(changed.messages[1].message, UINT(WM_EXITSIZEMOVE));
    // SDL reports the same change again as RESIZED: nothing more.
    const EventWindow told = Target(800, 600, SIZE_RESTORED, SIZE_RESTORED, MAKELPARAM(800, 600));
    EXPECT_EQ(TranslateSDLEvent(Window(SDL_WINDOWEVENT_RESIZED), told).count, 0);
}

TEST(WindowEventTranslation, MaximiseMinimiseAndRestore) {
    const LPARAM full = MAKELPARAM(1280, 1005);
    EXPECT_EQ(Parts(Only(TranslateSDLEvent(Window(SDL_WINDOWEVENT_MAXIMIZED), Target(1280, 1005, SIZE_MAXIMIZED)))),
              std::make_tuple(UINT(WM_SIZE), WPARAM(SIZE_MAXIMIZED), DWORD(full)));
    // The SIZE_CHANGED that follows an outside maximise repeats it; a real
    // change while maximised is reported, but ends no drag.
    EXPECT_EQ(TranslateSDLEvent(Window(SDL_WINDOWEVENT_SIZE_CHANGED),
                                Target(1280, 1005, SIZE_MAXIMIZED, SIZE_MAXIMIZED, full))
                  .count,
              0);
    EXPECT_EQ(Only(TranslateSDLEvent(Window(SDL_WINDOWEVENT_SIZE_CHANGED),
                                     Target(1000, 1005, SIZE_MAXIMIZED, SIZE_MAXIMIZED, full)))
                  .wParam,
              WPARAM(SIZE_MAXIMIZED));

    EXPECT_EQ(
        Parts(Only(TranslateSDLEvent(Window(SDL_WINDOWEVENT_MINIMIZED), Target(0, 0, SIZE_MINIMIZED, SIZE_RESTORED)))),
        std::make_tuple(UINT(WM_SIZE), WPARAM(SIZE_MINIMIZED), 0u));
    EXPECT_EQ(Parts(Only(TranslateSDLEvent(Window(SDL_WINDOWEVENT_RESTORED),
                                           Target(800, 600, SIZE_RESTORED, SIZE_MINIMIZED)))),
              std::make_tuple(UINT(WM_SIZE), WPARAM(SIZE_RESTORED), 0x02580320u));
    // Restoring from the taskbar a window that was maximised before.
    EXPECT_EQ(
        Only(TranslateSDLEvent(Window(SDL_WINDOWEVENT_RESTORED), Target(1280, 1005, SIZE_MAXIMIZED, SIZE_MINIMIZED)))
            .wParam,
        WPARAM(SIZE_MAXIMIZED));
}

TEST(WindowEventTranslation, CloseRequestsBecomeWmCloseAndOtherEventsNothing) {
    EXPECT_EQ(Only(TranslateSDLEvent(Window(SDL_WINDOWEVENT_CLOSE), Target(1, 1))).message, UINT(WM_CLOSE));
    SDL_Event other{};
    other.type = SDL_QUIT;
    const MSG close = Only(TranslateSDLEvent(other, Target(1, 1)));
    EXPECT_EQ(close.message, UINT(WM_CLOSE));
    EXPECT_EQ(close.hwnd, SomeWindow);

    other.type = SDL_MOUSEMOTION;
    EXPECT_EQ(TranslateSDLEvent(other, Target(1, 1)).count, 0);
    for (Uint8 which :
         {SDL_WINDOWEVENT_SHOWN, SDL_WINDOWEVENT_EXPOSED, SDL_WINDOWEVENT_MOVED, SDL_WINDOWEVENT_FOCUS_GAINED})
        EXPECT_EQ(TranslateSDLEvent(Window(which), Target(1, 1)).count, 0) << int(which);
}

// ---------------------------------------------------------------------------
// Headless windows and the queue

using Call = std::tuple<UINT, WPARAM, DWORD>;  // message, wParam, lParam
std::vector<Call> Calls;                       // what the window procedure received
// What a test's window procedure does beyond recording; DefWindowProcA when null.
LRESULT (*Reaction)(HWND, UINT, WPARAM, LPARAM) = nullptr;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Calls.emplace_back(message, wParam, DWORD(lParam));
    return Reaction ? Reaction(hwnd, message, wParam, lParam) : DefWindowProcA(hwnd, message, wParam, lParam);
}

WNDCLASSEXA ClassNamed(LPCSTR name) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_CLASSDC;
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name;
    return windowClass;
}

const DWORD ClientOf1024x768 = MAKELPARAM(1024 - 16, 768 - 39);  // a typical Windows frame taken off

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
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
        UnregisterClassA("Test", nullptr);
    }
    HWND Create(int width = 1024, int height = 768, LPCSTR className = "Test") {
        HWND window = CreateWindowExA(0, className, "Test", WS_OVERLAPPEDWINDOW, 0, 0, width, height,
                                      GetDesktopWindow(), nullptr, GetModuleHandleA(nullptr), nullptr);
        created.push_back(window);
        return window;
    }
    static MSG Peek(HWND window = nullptr, UINT remove = PM_REMOVE, UINT first = 0, UINT last = 0) {
        MSG message{};
        EXPECT_TRUE(PeekMessageA(&message, window, first, last, remove));
        return message;
    }
    static bool QueueEmpty() {
        MSG message;
        return !PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    }
    static std::pair<LONG, LONG> ClientSize(HWND window) {
        RECT client{-1, -1, -1, -1};
        EXPECT_TRUE(GetClientRect(window, &client));
        EXPECT_EQ(client.left, 0);
        EXPECT_EQ(client.top, 0);
        return {client.right, client.bottom};
    }
    std::vector<HWND> created;
};

TEST_F(HeadlessWindow, CreationSendsCreateThenTheClientSizeWithoutTheFrame) {
    HWND window = Create();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Calls, (std::vector<Call>{{WM_CREATE, 0, 0}, {WM_SIZE, SIZE_RESTORED, ClientOf1024x768}}));
    EXPECT_EQ(ClientSize(window), std::make_pair(1008, 729));
    EXPECT_TRUE(IsHeadlessWindow(window));
    EXPECT_EQ(GetSDLWindow(window), nullptr);
    EXPECT_TRUE(QueueEmpty());  // sent, not posted

    SetHeadlessClientSize(window, 640, 480);
    EXPECT_EQ(ClientSize(window), std::make_pair(640, 480));
    EXPECT_EQ(ClientSize(Create(10, 10)), std::make_pair(0, 0));
}

TEST_F(HeadlessWindow, ShowWindowTellsTheSizeOnlyTheFirstTime) {
    HWND window = Create();
    Calls.clear();
    EXPECT_FALSE(ShowWindow(window, SW_SHOWDEFAULT));  // it was hidden
    EXPECT_TRUE(ShowWindow(window, SW_SHOW));
    EXPECT_TRUE(ShowWindow(window, SW_HIDE));
    EXPECT_EQ(Calls,
              (std::vector<Call>{
                  {WM_SHOWWINDOW, TRUE, 0}, {WM_SIZE, SIZE_RESTORED, ClientOf1024x768}, {WM_SHOWWINDOW, FALSE, 0}}));

    HWND maximised = Create();
    Calls.clear();
    ShowWindow(maximised, SW_SHOWMAXIMIZED);
    EXPECT_EQ(Calls, (std::vector<Call>{{WM_SHOWWINDOW, TRUE, 0}, {WM_SIZE, SIZE_MAXIMIZED, ClientOf1024x768}}));
    EXPECT_FALSE(ShowWindow(maximised, 12));  // no such command
}

TEST_F(HeadlessWindow, CloseDestroysTheWindowAfterWmDestroyReachedIt) {
    static bool liveDuringDestroy;
    liveDuringDestroy = false;
    Reaction = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        RECT client;
        if (message == WM_DESTROY) liveDuringDestroy = GetClientRect(hwnd, &client) && IsHeadlessWindow(hwnd);
        return DefWindowProcA(hwnd, message, wParam, lParam);
    };
    HWND window = Create();
    Calls.clear();
    EXPECT_EQ(DefWindowProcA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(Calls, (std::vector<Call>{{WM_DESTROY, 0, 0}}));
    EXPECT_TRUE(liveDuringDestroy);
    RECT client;
    EXPECT_FALSE(GetClientRect(window, &client));
    EXPECT_FALSE(IsHeadlessWindow(window));
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 0);
    EXPECT_EQ(Calls.size(), 1u);
}

TEST_F(HeadlessWindow, RefusingWmCreateFailsTheCreation) {
    Reaction = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        return message == WM_CREATE ? -1 : DefWindowProcA(hwnd, message, wParam, lParam);
    };
    EXPECT_EQ(Create(), nullptr);
    EXPECT_EQ(Calls, (std::vector<Call>{{WM_CREATE, 0, 0}, {WM_DESTROY, 0, 0}}));
}

TEST_F(HeadlessWindow, ClassesAreFoundByNameOrAtomAndKeptWhileInUse) {
    EXPECT_EQ(Create(1024, 768, "Nope"), nullptr);
    EXPECT_STREQ(GetPlatformError(), "CreateWindowExA: window class \"Nope\" is not registered");
    EXPECT_EQ(Create(1024, 768, nullptr), nullptr);

    WNDCLASSEXA windowClass = ClassNamed("TEST");  // class names ignore case
    EXPECT_EQ(RegisterClassExA(&windowClass), 0);
    windowClass = ClassNamed("Other");
    windowClass.cbSize = 48;  // the size on 32-bit Windows, not here
    EXPECT_EQ(RegisterClassExA(&windowClass), 0);
    EXPECT_EQ(RegisterClassExA(nullptr), 0);

    windowClass.cbSize = sizeof windowClass;
    const ATOM atom = RegisterClassExA(&windowClass);
    ASSERT_NE(atom, 0);
    HWND window = Create(1024, 768, reinterpret_cast<LPCSTR>(uintptr_t(atom)));
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(UnregisterClassA("other", nullptr));  // a window of it still exists
    DestroyWindow(window);
    EXPECT_TRUE(UnregisterClassA("other", nullptr));
    EXPECT_FALSE(UnregisterClassA("Other", nullptr));
    EXPECT_EQ(Create(1024, 768, "Other"), nullptr);
}

TEST_F(HeadlessWindow, BadHandlesFailCleanlyAndFixedHandlesAreDistinct) {
    int notAWindow = 0;
    HWND bogus = reinterpret_cast<HWND>(&notAWindow);
    RECT client;
    const MSG forBogus{bogus, WM_USER, 0, 0, 0, {0, 0}};
    EXPECT_FALSE(GetClientRect(bogus, &client));
    EXPECT_FALSE(ShowWindow(bogus, SW_SHOW));
    EXPECT_FALSE(PostMessageA(bogus, WM_USER, 0, 0));
    EXPECT_FALSE(DestroyWindow(GetDesktopWindow()));
    EXPECT_EQ(DispatchMessageA(&forBogus), 0);
    EXPECT_EQ(DispatchMessageA(nullptr), 0);
    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(CreateWindowExA(0, "Test", "Test", 0, 0, 0, 100, 100, bogus, nullptr, nullptr, nullptr), nullptr);
    EXPECT_FALSE(GetClientRect(Create(), nullptr));

    EXPECT_NE(GetDesktopWindow(), nullptr);
    EXPECT_NE(GetDesktopWindow(), created.back());
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(GetModuleHandleA(nullptr), GetModuleHandleA(nullptr));
}

TEST_F(HeadlessWindow, QueueIsFirstInFirstOutOneMessagePerPeek) {
    HWND window = Create();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(PostMessageA(window, WM_USER + i, i, -i));
    for (int i = 0; i < 3; ++i) {
        const MSG message = Peek();
        EXPECT_EQ(message.hwnd, window);
        EXPECT_EQ(std::make_tuple(message.message, message.wParam, message.lParam),
                  std::make_tuple(UINT(WM_USER + i), WPARAM(i), LPARAM(-i)));
    }
    EXPECT_TRUE(QueueEmpty());
}

TEST_F(HeadlessWindow, QuitComesOnlyWhenNothingElseWaits) {
    HWND window = Create();
    PostQuitMessage(3);
    PostMessageA(window, WM_USER, 0, 0);
    EXPECT_EQ(Peek().message, UINT(WM_USER));
    EXPECT_EQ(Peek(nullptr, PM_NOREMOVE).message, UINT(WM_QUIT));  // peeking leaves it in place
    const MSG quit = Peek();
    EXPECT_EQ(quit.message, UINT(WM_QUIT));
    EXPECT_EQ(quit.hwnd, nullptr);
    EXPECT_EQ(quit.wParam, WPARAM(3));
    EXPECT_TRUE(QueueEmpty());
}

TEST_F(HeadlessWindow, PeekFiltersByWindowAndRangeAndCanLeaveTheMessage) {
    HWND first = Create(), second = Create();
    PostMessageA(first, WM_USER, 1, 0);
    PostMessageA(second, WM_USER, 2, 0);
    PostMessageA(first, WM_USER + 5, 3, 0);
    EXPECT_EQ(Peek(second, PM_NOREMOVE).wParam, WPARAM(2));
    EXPECT_EQ(Peek(second, PM_NOREMOVE).wParam, WPARAM(2));
    EXPECT_EQ(Peek(nullptr, PM_REMOVE, WM_USER + 5, WM_USER + 5).wParam, WPARAM(3));
    EXPECT_EQ(Peek(second).wParam, WPARAM(2));
    EXPECT_EQ(Peek().wParam, WPARAM(1));
    EXPECT_TRUE(QueueEmpty());
}

TEST_F(HeadlessWindow, MessagesForADestroyedWindowAreDropped) {
    HWND gone = Create(), kept = Create();
    PostMessageA(gone, WM_USER, 1, 0);
    PostMessageA(kept, WM_USER, 2, 0);
    const MSG stale{gone, WM_USER, 3, 0, 0, {0, 0}};
    DestroyWindow(gone);
    EXPECT_FALSE(PostMessageA(gone, WM_USER, 4, 0));
    EXPECT_EQ(Peek().wParam, WPARAM(2));
    EXPECT_TRUE(QueueEmpty());
    Calls.clear();
    EXPECT_EQ(DispatchMessageA(&stale), 0);
    EXPECT_TRUE(Calls.empty());
}

TEST_F(HeadlessWindow, DispatchReturnsWhatTheProcedureReturns) {
    Reaction = [](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        return message == WM_USER ? 40 + wParam : 0;
    };
    HWND window = Create();
    PostMessageA(window, WM_USER, 2, 0);
    PostMessageA(nullptr, WM_USER, 5, 0);  // a message for no window goes nowhere
    MSG message = Peek();
    EXPECT_EQ(DispatchMessageA(&message), 42);
    message = Peek();
    EXPECT_EQ(message.hwnd, nullptr);
    EXPECT_EQ(DispatchMessageA(&message), 0);
}

// The program's loop: one message per turn, a frame when none waits. Closing
// the window must end it with no frame drawn after WM_DESTROY.
TEST_F(HeadlessWindow, ClosingEndsAMessageLoopWithoutAnotherIdleTurn) {
    Reaction = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message != WM_DESTROY) return DefWindowProcA(hwnd, message, wParam, lParam);
        PostQuitMessage(0);
        return 0;
    };
    HWND window = Create();
    ShowWindow(window, SW_SHOWDEFAULT);
    PostMessageA(window, WM_KEYDOWN, 'W', 0x00110001);
    PostMessageA(window, WM_CLOSE, 0, 0);
    PostMessageA(window, WM_KEYUP, 'W', 0xC0110001u);
    Calls.clear();
    int idleTurns = 0;
    MSG message{};
    for (int turn = 0; message.message != WM_QUIT && turn < 100; ++turn) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            EXPECT_EQ(TranslateMessage(&message), message.message == WM_KEYDOWN);
            DispatchMessageA(&message);
        } else {
            ++idleTurns;
        }
    }
    EXPECT_EQ(message.message, UINT(WM_QUIT));
    EXPECT_EQ(idleTurns, 0);
    EXPECT_EQ(Calls, (std::vector<Call>{{WM_KEYDOWN, 'W', 0x00110001}, {WM_CLOSE, 0, 0}, {WM_DESTROY, 0, 0}}));
}

// Sets or clears an environment variable for one scope.
class ScopedVariable {
public:
    ScopedVariable(const char *name, const char *value) : name_(name), hadValue_(getenv(name) != nullptr) {
        if (hadValue_) saved_ = getenv(name);
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedVariable() { hadValue_ ? setenv(name_.c_str(), saved_.c_str(), 1) : unsetenv(name_.c_str()); }

private:
    std::string name_, saved_;
    bool hadValue_;
};

// A real window needs a real display. SDL quietly falls back to an offscreen
// driver without one; that must be refused too, with the reason.
TEST_F(HeadlessWindow, RealWindowWithoutADisplayFailsWithAReason) {
    ScopedVariable noWayland("WAYLAND_DISPLAY", nullptr);
    SetHeadlessWindows(false);
    {
        ScopedVariable noDisplay("DISPLAY", nullptr), noDriver("SDL_VIDEODRIVER", nullptr);
        EXPECT_EQ(Create(), nullptr);
        EXPECT_STREQ(GetPlatformError(), "no display: neither DISPLAY nor WAYLAND_DISPLAY is set");
    }
    {
        ScopedVariable offscreen("SDL_VIDEODRIVER", "offscreen");
        EXPECT_EQ(Create(), nullptr);
        EXPECT_STREQ(GetPlatformError(), "no display: SDL video driver 'offscreen' is not a real display");
    }
    {
        ScopedVariable deadDisplay("DISPLAY", ":9999"), noDriver("SDL_VIDEODRIVER", nullptr);
        EXPECT_EQ(Create(), nullptr);
        EXPECT_EQ(std::string(GetPlatformError()).rfind("no display: SDL could not start", 0), 0u)
            << GetPlatformError();
    }
    SetHeadlessWindows(true);
    EXPECT_TRUE(Calls.empty());
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
}

// ---------------------------------------------------------------------------
// kernel32

TEST(MulDiv, RoundsHalfAwayFromZeroWithA64BitProduct) {
    EXPECT_EQ(MulDiv(10, 3, 2), 15);
    EXPECT_EQ(MulDiv(3, 1, 2), 2);    // 1.5
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);  // -1.5
    EXPECT_EQ(MulDiv(3, 1, -2), -2);
    EXPECT_EQ(MulDiv(-3, -1, -2), -2);
    EXPECT_EQ(MulDiv(-3, 1, -2), 2);
    EXPECT_EQ(MulDiv(5, 1, 3), 2);  // 1.67
    EXPECT_EQ(MulDiv(4, 1, 3), 1);  // 1.33
    EXPECT_EQ(MulDiv(-4, 1, 3), -1);
    EXPECT_EQ(MulDiv(1, 1, 3), 0);
    EXPECT_EQ(MulDiv(9, 96, 72), 12);  // a point size in pixels
    EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
    EXPECT_EQ(MulDiv(70000, 70000, 70000), 70000);  // the product needs more than 32 bits
}

TEST(MulDiv, ReturnsMinusOneForZeroDenominatorOrOverflow) {
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_EQ(MulDiv(0, 0, 0), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
    EXPECT_EQ(MulDiv(INT_MIN, 2, 1), -1);
    EXPECT_EQ(MulDiv(INT_MIN, -1, 1), -1);
}

TEST(PerformanceCounter, CountsNanosecondsFromProcessStart) {
    LARGE_INTEGER frequency{}, first{}, second{};
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 1000000000);
    ASSERT_TRUE(QueryPerformanceCounter(&first));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(QueryPerformanceCounter(&second));
    EXPECT_GE(first.QuadPart, 0);
    EXPECT_LT(first.QuadPart, 600LL * 1000000000);  // this test process is minutes old at most
    EXPECT_GE(second.QuadPart - first.QuadPart, 10000000);
    EXPECT_FALSE(QueryPerformanceCounter(nullptr));
}

}  // namespace
