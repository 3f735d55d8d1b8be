#include "gl_context.h"

#include <SDL.h>
#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "../platform_error.h"
#include "../win32/headless.h"

namespace {

// One EGL display serves every headless device of the process.
EGLDisplay HeadlessDisplay = EGL_NO_DISPLAY;
// The context this thread has current, as far as the layer made it so.
const void *CurrentContext = nullptr;

GLErrorHandler ErrorHandler = nullptr;

bool DebugOutputWanted() {
    if (ErrorHandler) return true;
    const char *setting = getenv("OC_GL_DEBUG");
    if (setting && *setting) return strcmp(setting, "0") != 0;
#ifdef NDEBUG
    return false;
#else
    return true;
#endif
}

void PrintGLError(const char *message) { fprintf(stderr, "OpenGL error: %s\n", message); }

void GLAPIENTRY OnDebugMessage(GLenum, GLenum type, GLuint, GLenum, GLsizei, const GLchar *message, const void *) {
    if (type != GL_DEBUG_TYPE_ERROR) return;
    (ErrorHandler ? ErrorHandler : PrintGLError)(message);
}

// Errors only: the other kinds (performance, portability) are advice.
void StartDebugOutput() {
    if (epoxy_gl_version() < 43 && !epoxy_has_gl_extension("GL_KHR_debug")) return;
    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    glDebugMessageCallback(OnDebugMessage, nullptr);
    glDebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, nullptr, GL_FALSE);
    glDebugMessageControl(GL_DONT_CARE, GL_DEBUG_TYPE_ERROR, GL_DONT_CARE, 0, nullptr, GL_TRUE);
}

bool HasExtension(const char *list, const char *name) {
    if (!list) return false;
    size_t length = strlen(name);
    for (const char *p = strstr(list, name); p; p = strstr(p + 1, name)) {
        bool starts = p == list || p[-1] == ' ';
        bool ends = p[length] == ' ' || p[length] == '\0';
        if (starts && ends) return true;
    }
    return false;
}

EGLDisplay OpenHeadlessDisplay() {
    if (HeadlessDisplay != EGL_NO_DISPLAY) return HeadlessDisplay;
    const char *clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!HasExtension(clientExtensions, "EGL_EXT_platform_base")) {
        SetPlatformError("EGL has no platform extension (EGL_EXT_platform_base)");
        return EGL_NO_DISPLAY;
    }
    EGLDisplay display = EGL_NO_DISPLAY;
    if (HasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display != EGL_NO_DISPLAY && !eglInitialize(display, nullptr, nullptr)) display = EGL_NO_DISPLAY;
    }
    if (display == EGL_NO_DISPLAY && HasExtension(clientExtensions, "EGL_EXT_platform_device")) {
        EGLDeviceEXT devices[8];
        EGLint count = 0;
        if (eglQueryDevicesEXT(8, devices, &count)) {
            for (EGLint i = 0; i < count && display == EGL_NO_DISPLAY; ++i) {
                display = eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
                if (display != EGL_NO_DISPLAY && !eglInitialize(display, nullptr, nullptr))
                    display = EGL_NO_DISPLAY;
            }
        }
    }
    if (display == EGL_NO_DISPLAY) {
        SetPlatformError("no headless EGL display (neither the surfaceless platform nor an EGL device)");
        return EGL_NO_DISPLAY;
    }
    HeadlessDisplay = display;
    return display;
}

bool CreateHeadlessContext(GLContext &context) {
    EGLDisplay display = OpenHeadlessDisplay();
    if (display == EGL_NO_DISPLAY) return false;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        SetPlatformError("EGL cannot bind the OpenGL API");
        return false;
    }
    // The device renders into its own framebuffers, so the config only has
    // to exist; the surfaceless platform lists only pbuffer configs.
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                       EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configCount) || configCount < 1) {
        SetPlatformError("EGL offers no OpenGL config");
        return false;
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                        EGL_CONTEXT_OPENGL_DEBUG, DebugOutputWanted() ? EGL_TRUE : EGL_FALSE,
                                        EGL_NONE};
    EGLContext egl = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (egl == EGL_NO_CONTEXT) {
        SetPlatformError("EGL cannot create an OpenGL 3.3 core context (error 0x%x)", eglGetError());
        return false;
    }
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, egl)) {
        eglDestroyContext(display, egl);
        SetPlatformError("EGL cannot make a context current without a surface (error 0x%x)", eglGetError());
        return false;
    }
    context.eglContext = egl;
    CurrentContext = egl;
    return true;
}

bool CreateWindowContext(SDL_Window *window, GLContext &context) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, DebugOutputWanted() ? SDL_GL_CONTEXT_DEBUG_FLAG : 0);
    SDL_GLContext sdl = SDL_GL_CreateContext(window);
    if (!sdl) {
        SetPlatformError("cannot create an OpenGL 3.3 core context: %s", SDL_GetError());
        return false;
    }
    if (SDL_GL_MakeCurrent(window, sdl) != 0) {
        SDL_GL_DeleteContext(sdl);
        SetPlatformError("cannot make the OpenGL context current: %s", SDL_GetError());
        return false;
    }
    SDL_GL_SetSwapInterval(0);  // may fail (Xvfb's GLX): the loop is unthrottled anyway
    context.window = window;
    context.sdlContext = sdl;
    CurrentContext = sdl;
    return true;
}

}  // namespace

bool CreateGLContext(HWND window, GLContext &context) {
    context = GLContext{};
    SDL_Window *sdlWindow = IsHeadlessWindow(window) ? nullptr : GetSDLWindow(window);
    if (!IsHeadlessWindow(window) && !sdlWindow) {
        SetPlatformError("the device window is not a window");
        return false;
    }
    bool made = sdlWindow ? CreateWindowContext(sdlWindow, context) : CreateHeadlessContext(context);
    if (!made) return false;
    if (epoxy_gl_version() < 33) {
        SetPlatformError("OpenGL 3.3 is needed, this driver offers %d.%d", epoxy_gl_version() / 10,
                         epoxy_gl_version() % 10);
        DestroyGLContext(context);
        return false;
    }
    if (DebugOutputWanted()) StartDebugOutput();
    context.hasClipControl = epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control");
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &context.maxTextureSize);
    return true;
}

void MakeGLContextCurrent(const GLContext &context) {
    // Every device call makes its context current; with one device (the
    // usual case) that is nearly always already so.
    const void *wanted = context.sdlContext ? context.sdlContext : context.eglContext;
    if (wanted == CurrentContext) return;
    CurrentContext = wanted;
    if (context.sdlContext)
        SDL_GL_MakeCurrent(context.window, static_cast<SDL_GLContext>(context.sdlContext));
    else if (context.eglContext)
        eglMakeCurrent(HeadlessDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, static_cast<EGLContext>(context.eglContext));
}

void DestroyGLContext(GLContext &context) {
    CurrentContext = nullptr;
    if (context.sdlContext) {
        SDL_GL_MakeCurrent(context.window, nullptr);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context.sdlContext));
    }
    if (context.eglContext) {
        eglMakeCurrent(HeadlessDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(HeadlessDisplay, static_cast<EGLContext>(context.eglContext));
    }
    context = GLContext{};
}

void SetGLErrorHandler(GLErrorHandler handler) { ErrorHandler = handler; }

void GetDrawableSize(const GLContext &context, int &width, int &height) {
    width = height = 0;
    if (context.window) SDL_GL_GetDrawableSize(context.window, &width, &height);
}

void SwapGLWindow(const GLContext &context) {
    if (context.window) SDL_GL_SwapWindow(context.window);
}
