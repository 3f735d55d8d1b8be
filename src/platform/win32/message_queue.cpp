// The thread's message queue: messages posted by the program and those the
// layer makes from SDL events, taken one at a time by PeekMessageA.
#include "platform_error.h"
#include "win32/event_translation.h"
#include "win32/window_internal.h"

#include <deque>

namespace {

// Windows refuses to post beyond this many queued messages; so do we, so that
// a runaway poster cannot exhaust memory.
constexpr size_t MaxPostedMessages = 10000;

std::deque<MSG> Queue;
// WM_QUIT is a flag rather than a queued message: it is retrieved only once
// nothing else is waiting.
bool QuitPosted = false;
int QuitExitCode = 0;
KeyboardMemory Keyboard;

DWORD MessageTimeMs() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return DWORD(now.QuadPart / 1000000);
}

void Enqueue(MSG message) {
    message.time = MessageTimeMs();
    Queue.push_back(message);
}

Uint32 EventWindowId(const SDL_Event &event) {
    switch (event.type) {
    case SDL_WINDOWEVENT:
        return event.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return event.key.windowID;
    default:
        return 0;
    }
}

void Deliver(const SDL_Event &event, HWND__ &window) {
    EventWindow target{&window, 0, 0, CurrentSizeType(window), window.lastSizeType, window.lastSizeParam};
    GetClientSize(window, &target.clientWidth, &target.clientHeight);
    const TranslatedEvent translated = TranslateSDLEvent(event, target, Keyboard);
    for (int i = 0; i < translated.count; ++i) {
        const MSG &message = translated.messages[i];
        if (message.message == WM_SIZE) NoteSizeReported(window, message.wParam, message.lParam);
        Enqueue(message);
    }
}

// Takes in every event SDL has now, without waiting for more.
void PumpSDLEvents() {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    SDL_PumpEvents();
    std::vector<SDL_Event> events;
    for (SDL_Event event; SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0;)
        events.push_back(event);
    DropReleasesBeforeFocusLoss(events);
    for (const SDL_Event &event : events) {
        if (event.type == SDL_QUIT) {
            for (HWND window : LiveSDLWindows()) Deliver(event, *window);
        } else if (HWND__ *window = WindowForSDLId(EventWindowId(event))) {
            Deliver(event, *window);
        }
    }
}

// A range of 0..0 means every message, as in Windows.
bool InRange(UINT message, UINT first, UINT last) {
    return (first == 0 && last == 0) || (message >= first && message <= last);
}

}  // namespace

void RemoveQueuedMessages(HWND hWnd) {
    std::erase_if(Queue, [hWnd](const MSG &message) { return message.hwnd == hWnd; });
}

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
    if (lpMsg == nullptr) {
        SetPlatformError("PeekMessageA: no MSG to fill");
        return FALSE;
    }
    PumpSDLEvents();
    for (auto it = Queue.begin(); it != Queue.end(); ++it) {
        if ((hWnd == nullptr || it->hwnd == hWnd) && InRange(it->message, wMsgFilterMin, wMsgFilterMax)) {
            *lpMsg = *it;
            if (wRemoveMsg & PM_REMOVE) Queue.erase(it);
            return TRUE;
        }
    }
    if (QuitPosted && InRange(WM_QUIT, wMsgFilterMin, wMsgFilterMax)) {
        *lpMsg = MSG{nullptr, WM_QUIT, WPARAM(QuitExitCode), 0, MessageTimeMs(), {0, 0}};
        if (wRemoveMsg & PM_REMOVE) QuitPosted = false;
        return TRUE;
    }
    return FALSE;
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd != nullptr && LiveWindow(hWnd) == nullptr) {
        SetPlatformError("PostMessageA: %p is not a window", static_cast<void *>(hWnd));
        return FALSE;
    }
    if (Queue.size() >= MaxPostedMessages) {
        SetPlatformError("PostMessageA: the message queue is full");
        return FALSE;
    }
    Enqueue(MSG{hWnd, Msg, wParam, lParam, 0, {0, 0}});
    return TRUE;
}

void WINAPI PostQuitMessage(int nExitCode) {
    QuitPosted = true;
    QuitExitCode = nExitCode;
}

// No character messages are made: nothing here reads text input. The result
// is Windows': non-zero for every key message.
BOOL WINAPI TranslateMessage(const MSG *lpMsg) {
    if (lpMsg == nullptr) return FALSE;
    const UINT message = lpMsg->message;
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
}

// Messages for no window (WM_QUIT) or for a destroyed one go nowhere.
LRESULT WINAPI DispatchMessageA(const MSG *lpMsg) {
    if (lpMsg == nullptr) return 0;
    const HWND__ *window = LiveWindow(lpMsg->hwnd);
    if (window == nullptr) return 0;
    return window->procedure(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}
