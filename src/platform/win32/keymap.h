// SDL keys to Windows virtual-key codes and keyboard scan codes.
#pragma once

#include "win32/win32.h"

#include <SDL.h>

struct WindowsKey {
    UINT virtualKey;
    BYTE scanCode;  // PC set-1 scan code, 0 where there is none here
    bool extended;  // the key's scan code carries the E0 prefix (right Ctrl, arrows, ...)
};

// False for keys that have no virtual-key code here.
bool LookupWindowsKey(const SDL_Keysym &key, WindowsKey *out);
