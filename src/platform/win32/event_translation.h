// One SDL event into the window messages Windows would deliver for it. A plain
// function of the event and the window's state, so that it can be checked with
// made-up events and no display.
#pragma once

#include "win32/win32.h"

#include <SDL.h>

#include <vector>

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

// What Windows remembers from one key event to the next: Alt went down on its
// own and no other key has been pressed since, so its release is a system key.
struct KeyboardMemory {
    bool altAlone = false;
};

struct TranslatedEvent {
    MSG messages[4];
    int count;
};

TranslatedEvent TranslateSDLEvent(const SDL_Event &event, const EventWindow &window, KeyboardMemory &keyboard);

// SDL releases every key it holds down just before it reports that a window
// lost the keyboard focus. Windows sends no key-up then (the keys are still
// down), so those releases are taken out of a batch of events here.
void DropReleasesBeforeFocusLoss(std::vector<SDL_Event> &events);
