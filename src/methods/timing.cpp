#include "methods/timing.h"

#include <epoxy/gl.h>

namespace {

// Each span is flushed on both sides, so that a tiling driver (llvmpipe
// bins a batch's commands and runs them tile by tile) executes its commands
// as a batch of their own: its timer query then takes in neither the draws
// before it nor those after it.
void OpenGpuSpan(CullTimer &timer) {
    glFlush();
    if (timer.spansUsed == timer.spanQueries.size()) {
        GLuint query = 0;
        glGenQueries(1, &query);
        timer.spanQueries.push_back(query);
    }
    glBeginQuery(GL_TIME_ELAPSED, timer.spanQueries[timer.spansUsed++]);
}

// Around a wait: the span's CPU time so far is submission, its GPU span is
// closed; both start again after the wait.
template <typename Wait> void Waiting(CullTimer &timer, const Wait &wait) {
    bool spanning = timer.inSpan;
    if (spanning) EndCulling(timer);
    Clock::time_point start = Clock::now();
    wait();
    timer.waited += Milliseconds(start, Clock::now());
    if (spanning) BeginCulling(timer);
}

}  // namespace

// The layer and the plain OpenGL context both run on the calling thread's
// current context, so glFinish is the boundary for either.
void FinishGpu() { glFinish(); }

void DestroyCullTimer(CullTimer &timer) {
    if (!timer.spanQueries.empty()) glDeleteQueries((GLsizei)timer.spanQueries.size(), timer.spanQueries.data());
    timer = CullTimer();
}

void StartCullFrame(CullTimer &timer) {
    timer.spansUsed = 0;
    timer.inSpan = false;
    timer.submit = timer.waited = 0;
}

void BeginCulling(CullTimer &timer) {
    if (timer.inSpan) return;
    if (timer.gpuSpans) OpenGpuSpan(timer);
    timer.inSpan = true;
    timer.spanStart = Clock::now();
}

void EndCulling(CullTimer &timer) {
    if (!timer.inSpan) return;
    timer.submit += Milliseconds(timer.spanStart, Clock::now());
    if (timer.gpuSpans) {
        glEndQuery(GL_TIME_ELAPSED);
        glFlush();
    }
    timer.inSpan = false;
}

double CullGpuMilliseconds(CullTimer &timer) {
    GLuint64 total = 0;
    for (size_t i = 0; i < timer.spansUsed; ++i) {
        GLuint64 nanoseconds = 0;
        glGetQueryObjectui64v(timer.spanQueries[i], GL_QUERY_RESULT, &nanoseconds);
        total += nanoseconds;
    }
    return total / 1e6;
}

bool QueryAnswered(unsigned query) {
    GLuint available = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT_AVAILABLE, &available);
    return available != 0;
}

unsigned AwaitQuery(CullTimer &timer, unsigned query) {
    GLuint samples = 0;
    if (QueryAnswered(query))
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
    else
        Waiting(timer, [&] { glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples); });
    return samples;
}

void AwaitBuffer(CullTimer &timer, unsigned target, size_t bytes, void *data) {
    Waiting(timer, [&] { glGetBufferSubData(target, 0, (GLsizeiptr)bytes, data); });
}
