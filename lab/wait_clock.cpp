#include "lab/wait_clock.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>
#include <epoxy/glx.h>

#include "methods/common.h"

namespace {

using GetQueryObjectuiv = void (*)(GLuint, GLenum, GLuint *);
using GetBufferSubData = void (*)(GLenum, GLintptr, GLsizeiptr, void *);
using Flush = void (*)();

GetQueryObjectuiv realGetQueryObjectuiv;
GetBufferSubData realGetBufferSubData;
Flush realFlush;
// What the pointers held before the clock started, put back when it stops.
GetQueryObjectuiv dispatchGetQueryObjectuiv;
GetBufferSubData dispatchGetBufferSubData;
Flush dispatchFlush;
double blocked = 0;

// libepoxy's pointers start at a stub that resolves the entry point only
// while the pointer still leads to the stub itself, so the wrappers call
// entry points asked of the window system directly (EGL headless, GLX in
// a window).
template <typename Pointer>
Pointer Resolve(const char *name) {
    if (eglGetCurrentContext() != EGL_NO_CONTEXT) return (Pointer)eglGetProcAddress(name);
    return (Pointer)glXGetProcAddressARB((const GLubyte *)name);
}

void TimedGetQueryObjectuiv(GLuint id, GLenum name, GLuint *value) {
    Clock::time_point start = Clock::now();
    realGetQueryObjectuiv(id, name, value);
    blocked += Milliseconds(start, Clock::now());
}

void TimedGetBufferSubData(GLenum target, GLintptr offset, GLsizeiptr size, void *data) {
    Clock::time_point start = Clock::now();
    realGetBufferSubData(target, offset, size, data);
    blocked += Milliseconds(start, Clock::now());
}

void TimedFlush() {
    Clock::time_point start = Clock::now();
    realFlush();
    blocked += Milliseconds(start, Clock::now());
}

}  // namespace

void StartWaitClock() {
    blocked = 0;
    if (!realFlush) {
        realGetQueryObjectuiv = Resolve<GetQueryObjectuiv>("glGetQueryObjectuiv");
        realGetBufferSubData = Resolve<GetBufferSubData>("glGetBufferSubData");
        realFlush = Resolve<Flush>("glFlush");
    }
    dispatchGetQueryObjectuiv = epoxy_glGetQueryObjectuiv;
    dispatchGetBufferSubData = epoxy_glGetBufferSubData;
    dispatchFlush = epoxy_glFlush;
    epoxy_glGetQueryObjectuiv = TimedGetQueryObjectuiv;
    epoxy_glGetBufferSubData = TimedGetBufferSubData;
    epoxy_glFlush = TimedFlush;
}

double StopWaitClock() {
    epoxy_glGetQueryObjectuiv = dispatchGetQueryObjectuiv;
    epoxy_glGetBufferSubData = dispatchGetBufferSubData;
    epoxy_glFlush = dispatchFlush;
    return blocked;
}
