// The OpenGL context behind a device: on an SDL window, or headless through
// EGL (Mesa's surfaceless platform, or the first EGL device of a GPU).
#pragma once

#include "../win32/win32_types.h"

struct SDL_Window;

struct GLContext {
    SDL_Window *window = nullptr;  // null when headless
    void *sdlContext = nullptr;
    void *eglContext = nullptr;
    bool hasClipControl = false;
    int maxTextureSize = 0;
};

// Creates and makes current a 3.3 core context for the window (headless
// windows get an EGL context). On failure leaves the reason in the platform
// error and returns false.
bool CreateGLContext(HWND window, GLContext &context);
void MakeGLContextCurrent(const GLContext &context);
void DestroyGLContext(GLContext &context);

// The window's drawable size in pixels (0 x 0 when headless).
void GetDrawableSize(const GLContext &context, int &width, int &height);
void SwapGLWindow(const GLContext &context);
