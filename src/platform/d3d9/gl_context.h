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

// OpenGL errors (KHR_debug messages of type error). When debug output is on
// when a context is created, it is a debug context and each error its
// driver reports goes to the handler, synchronously, on the thread of the
// failing call. It is on when asked for here, else when OC_GL_DEBUG=1, or in
// a build without NDEBUG unless OC_GL_DEBUG=0; by default errors are printed
// on standard error.
using GLErrorHandler = void (*)(const char *message);
void SetGLErrorHandler(GLErrorHandler handler);

// The window's drawable size in pixels (0 x 0 when headless).
void GetDrawableSize(const GLContext &context, int &width, int &height);
void SwapGLWindow(const GLContext &context);
