#include "lab/gpu_timer.h"

void CreateGpuTimer(GpuTimer &timer) {
    glGenQueries(GpuTimer::Ring, timer.queries);
}

void DestroyGpuTimer(GpuTimer &timer) {
    glDeleteQueries(GpuTimer::Ring, timer.queries);
    timer = GpuTimer();
}

void BeginGpuTimer(GpuTimer &timer) {
    int slot = timer.next;
    if (timer.pending[slot]) {  // still not read four spans later: wait for it now
        GLuint64 nanoseconds = 0;
        glGetQueryObjectui64v(timer.queries[slot], GL_QUERY_RESULT, &nanoseconds);
        timer.milliseconds = nanoseconds / 1e6;
        timer.pending[slot] = false;
    }
    glBeginQuery(GL_TIME_ELAPSED, timer.queries[slot]);
}

void EndGpuTimer(GpuTimer &timer) {
    glEndQuery(GL_TIME_ELAPSED);
    timer.pending[timer.next] = true;
    timer.next = (timer.next + 1) % GpuTimer::Ring;
    // Oldest first, so the newest ready result is the one kept.
    for (int k = 0; k < GpuTimer::Ring; ++k) {
        int slot = (timer.next + k) % GpuTimer::Ring;
        if (!timer.pending[slot]) continue;
        GLuint available = 0;
        glGetQueryObjectuiv(timer.queries[slot], GL_QUERY_RESULT_AVAILABLE, &available);
        if (!available) break;
        GLuint64 nanoseconds = 0;
        glGetQueryObjectui64v(timer.queries[slot], GL_QUERY_RESULT, &nanoseconds);
        timer.milliseconds = nanoseconds / 1e6;
        timer.pending[slot] = false;
    }
}
