#include "methods/plain_context.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <cstdlib>
#include <cstring>

namespace {

void GLAPIENTRY OnDebugMessage(GLenum, GLenum type, GLuint, GLenum, GLsizei, const GLchar *message,
                               const void *handler) {
    if (type == GL_DEBUG_TYPE_ERROR) ((PlainGlErrorHandler)handler)(message);
}

}  // namespace

bool GlDebugWanted() {
    const char *setting = getenv("OC_GL_DEBUG");
    return setting && *setting && strcmp(setting, "0") != 0;
}

void ReportGlErrors(PlainGlErrorHandler onError) {
    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    glDebugMessageCallback(OnDebugMessage, (const void *)onError);
}

bool MakePlainContext(ContextPair &contexts, std::string &error, PlainGlErrorHandler onError) {
    EGLDisplay display = eglGetCurrentDisplay();
    EGLContext layer = eglGetCurrentContext();
    if (display == EGL_NO_DISPLAY || layer == EGL_NO_CONTEXT) {
        error = "the layer's device has no headless EGL context current";
        return false;
    }
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config;
    EGLint configs = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configs) || configs < 1) {
        error = "EGL offers no OpenGL config";
        return false;
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,       4,
                                        EGL_CONTEXT_MINOR_VERSION,       3,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                        EGL_CONTEXT_OPENGL_DEBUG,        onError ? EGL_TRUE : EGL_FALSE,
                                        EGL_NONE};
    EGLContext plain = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (plain == EGL_NO_CONTEXT || !eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, plain)) {
        error = "EGL cannot make an OpenGL 4.3 core context current (compute shaders are needed)";
        return false;
    }
    if (onError) ReportGlErrors(onError);
    contexts = {display, layer, plain};
    return true;
}

void UsePlainContext(const ContextPair &contexts) {
    eglMakeCurrent(contexts.display, EGL_NO_SURFACE, EGL_NO_SURFACE, contexts.plain);
}

void UseLayerContext(const ContextPair &contexts) {
    eglMakeCurrent(contexts.display, EGL_NO_SURFACE, EGL_NO_SURFACE, contexts.layer);
}
