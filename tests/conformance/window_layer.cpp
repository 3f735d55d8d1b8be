#include <cstdio>

#include "conformance_window.h"
#include "d3d9/gl_context.h"
#include "win32/headless.h"

namespace {

// On debug contexts: an OpenGL error is a line of output, so it differs
// from the reference and fails the comparison with the driver's message.
void PrintGLError(const char *message) { printf("OpenGL error: %s\n", message); }

}  // namespace

void UseHeadlessWindowsWhereOffered() {
    SetHeadlessWindows(true);
    SetGLErrorHandler(PrintGLError);
}
