#include "methods/timing.h"

#include <epoxy/gl.h>

// The layer and the plain OpenGL context both run on the calling thread's
// current context, so glFinish is the boundary for either.
void FinishGpu() { glFinish(); }

unsigned AwaitQuery(CullTimer &timer, unsigned query) {
    GLuint samples = 0;
    Clock::time_point start = Clock::now();
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
    timer.waited += Milliseconds(start, Clock::now());
    return samples;
}

void AwaitBuffer(CullTimer &timer, unsigned target, size_t bytes, void *data) {
    Clock::time_point start = Clock::now();
    glGetBufferSubData(target, 0, (GLsizeiptr)bytes, data);
    timer.waited += Milliseconds(start, Clock::now());
}
