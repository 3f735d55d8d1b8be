#include "win32/keymap.h"

namespace {

struct KeycodeToVirtualKey {
    SDL_Keycode keycode;
    UINT virtualKey;
};

// Keys other than letters, digits and F-keys. Windows reports both Shift, both
// Ctrl and both Alt keys with one code each; the scan code tells them apart.
const KeycodeToVirtualKey VirtualKeys[] = {
    {SDLK_BACKSPACE, VK_BACK},  {SDLK_TAB, VK_TAB},       {SDLK_RETURN, VK_RETURN},
    {SDLK_KP_ENTER, VK_RETURN}, {SDLK_PAUSE, VK_PAUSE},   {SDLK_CAPSLOCK, VK_CAPITAL},
    {SDLK_ESCAPE, VK_ESCAPE},   {SDLK_SPACE, VK_SPACE},   {SDLK_PAGEUP, VK_PRIOR},
    {SDLK_PAGEDOWN, VK_NEXT},   {SDLK_END, VK_END},       {SDLK_HOME, VK_HOME},
    {SDLK_LEFT, VK_LEFT},       {SDLK_UP, VK_UP},         {SDLK_RIGHT, VK_RIGHT},
    {SDLK_DOWN, VK_DOWN},       {SDLK_INSERT, VK_INSERT}, {SDLK_DELETE, VK_DELETE},
    {SDLK_LSHIFT, VK_SHIFT},    {SDLK_RSHIFT, VK_SHIFT},  {SDLK_LCTRL, VK_CONTROL},
    {SDLK_RCTRL, VK_CONTROL},   {SDLK_LALT, VK_MENU},     {SDLK_RALT, VK_MENU},
};

struct ScancodeToSet1 {
    SDL_Scancode scancode;
    BYTE scanCode;
    bool extended;
};

// Letters A..Z in the order of their SDL (USB) scan codes.
const BYTE LetterScanCodes[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                                  0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};

const ScancodeToSet1 OtherScanCodes[] = {
    {SDL_SCANCODE_RETURN, 0x1C, false},    {SDL_SCANCODE_KP_ENTER, 0x1C, true}, {SDL_SCANCODE_ESCAPE, 0x01, false},
    {SDL_SCANCODE_BACKSPACE, 0x0E, false}, {SDL_SCANCODE_TAB, 0x0F, false},     {SDL_SCANCODE_SPACE, 0x39, false},
    {SDL_SCANCODE_CAPSLOCK, 0x3A, false},  {SDL_SCANCODE_PAUSE, 0x45, false},   {SDL_SCANCODE_F11, 0x57, false},
    {SDL_SCANCODE_F12, 0x58, false},       {SDL_SCANCODE_INSERT, 0x52, true},   {SDL_SCANCODE_DELETE, 0x53, true},
    {SDL_SCANCODE_HOME, 0x47, true},       {SDL_SCANCODE_END, 0x4F, true},      {SDL_SCANCODE_PAGEUP, 0x49, true},
    {SDL_SCANCODE_PAGEDOWN, 0x51, true},   {SDL_SCANCODE_LEFT, 0x4B, true},     {SDL_SCANCODE_RIGHT, 0x4D, true},
    {SDL_SCANCODE_UP, 0x48, true},         {SDL_SCANCODE_DOWN, 0x50, true},     {SDL_SCANCODE_LSHIFT, 0x2A, false},
    {SDL_SCANCODE_RSHIFT, 0x36, false},    {SDL_SCANCODE_LCTRL, 0x1D, false},   {SDL_SCANCODE_RCTRL, 0x1D, true},
    {SDL_SCANCODE_LALT, 0x38, false},      {SDL_SCANCODE_RALT, 0x38, true},
};

UINT VirtualKeyFor(const SDL_Keysym &key) {
    const SDL_Keycode code = key.sym;
    if (code >= SDLK_a && code <= SDLK_z) return 'A' + (code - SDLK_a);
    if (code >= SDLK_0 && code <= SDLK_9) return '0' + (code - SDLK_0);
    if (code >= SDLK_F1 && code <= SDLK_F12) return VK_F1 + (code - SDLK_F1);
    for (const KeycodeToVirtualKey &entry : VirtualKeys)
        if (entry.keycode == code) return entry.virtualKey;
    // A layout without Latin letters still has the letter and digit keys;
    // Windows names them by position then, and so do we.
    const SDL_Scancode position = key.scancode;
    if (position >= SDL_SCANCODE_A && position <= SDL_SCANCODE_Z) return 'A' + (position - SDL_SCANCODE_A);
    if (position >= SDL_SCANCODE_1 && position <= SDL_SCANCODE_9) return '1' + (position - SDL_SCANCODE_1);
    if (position == SDL_SCANCODE_0) return '0';
    return 0;
}

ScancodeToSet1 Set1ScanCodeFor(SDL_Scancode position) {
    if (position >= SDL_SCANCODE_A && position <= SDL_SCANCODE_Z)
        return {position, LetterScanCodes[position - SDL_SCANCODE_A], false};
    // The digit row runs 1..9, 0 in both numberings.
    if (position >= SDL_SCANCODE_1 && position <= SDL_SCANCODE_0)
        return {position, BYTE(0x02 + (position - SDL_SCANCODE_1)), false};
    if (position >= SDL_SCANCODE_F1 && position <= SDL_SCANCODE_F10)
        return {position, BYTE(0x3B + (position - SDL_SCANCODE_F1)), false};
    for (const ScancodeToSet1 &entry : OtherScanCodes)
        if (entry.scancode == position) return entry;
    return {position, 0, false};
}

}  // namespace

bool LookupWindowsKey(const SDL_Keysym &key, WindowsKey *out) {
    const UINT virtualKey = VirtualKeyFor(key);
    if (virtualKey == 0) return false;
    const ScancodeToSet1 scan = Set1ScanCodeFor(key.scancode);
    *out = {virtualKey, scan.scanCode, scan.extended};
    return true;
}
