// One SDL event into the window messages Windows would deliver for it. A plain
// function of the event and the window's state, so that it can be checked with
// made-up events and no display.
#pragma once

#include "win32/win32.h"

#include <SDL.h>

// What the translation needs to know about the window an event is for, read
// after SDL has taken in the whole batch of pending events.
struct EventWindow {
    HWND hwnd;
    int clientWidth, clientHeight;  // 0 x 0 while minimised
    WPARAM sizeType;                // SIZE_RESTORED, SIZE_MAXIMIZED or SIZE_MINIMIZED
    // The last WM_SIZE the window was given: a size event that would repeat it
    // gives none (SDL reports one change as both SIZE_CHANGED and RESIZED).
    WPARAM lastSizeType;
    LPARAM lastSizeParam;
};

struct TranslatedEvent {
    MSG messages[2];
    int count;
};

TranslatedEvent TranslateSDLEvent(const SDL_Event &event, const EventWindow &window);
