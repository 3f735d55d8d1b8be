// One timing model for every method. A method's frame is measured as:
//   submit: CPU time in its culling work (its own calls, software culling
//           included), its waits left out;
//   wait:   CPU time blocked on the GPU's answers (a query's result, a
//           buffer read back);
//   gpu:    GPU time of its culling commands: timer queries around the
//           spans of commands it issues, closed before each wait and opened
//           again after it, so no stall and no idle gap is counted (each
//           span is flushed on both sides, so that a driver that batches
//           commands runs the span's as a batch of its own);
//   frame:  the whole frame, culling and main scene, to the next boundary.
// Work a method issues in one frame and reads in a later one is counted in
// the frame that issues it (its GPU time) and in the frame that reads it
// (the CPU time of the reading). The main scene's drawing is no method's
// culling work. On a software driver (Mesa's llvmpipe) the "GPU" is the
// driver's own threads on the same cores, so gpu overlaps submit and wait.
#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

using Clock = std::chrono::steady_clock;

inline double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Timing boundary: everything issued so far has been executed.
void FinishGpu();

struct MethodTimes {
    double submit = 0, wait = 0, gpu = 0, frame = 0;  // milliseconds
    double Cost() const { return submit + wait + gpu; }
};

// The clock of one method's culling work in one frame.
struct CullTimer {
    std::vector<unsigned> spanQueries;  // GL_TIME_ELAPSED queries, one a span, reused frame after frame
    size_t spansUsed = 0;
    bool inSpan = false;
    Clock::time_point spanStart;
    double submit = 0, waited = 0;  // ms this frame
    bool gpuSpans = true;           // false: the CPU clock alone, no timer query issued
};
void DestroyCullTimer(CullTimer &timer);
// A frame's culling work begins: the figures start at 0.
void StartCullFrame(CullTimer &timer);
// A span of culling work: the CPU clock runs and a GPU span is open. Spans
// do not nest; a method ends its span around work that is not culling
// (drawing the main scene) and begins another after it.
void BeginCulling(CullTimer &timer);
void EndCulling(CullTimer &timer);
// The GPU time of this frame's spans, once they have executed (after
// FinishGpu, or a frame or more later): waits for them if need be.
double CullGpuMilliseconds(CullTimer &timer);

// The waits: each takes its time out of the span it happens in.
// A query's sample count (or any query's result): read at once when it is
// there, else awaited with one blocking call (which flushes).
unsigned AwaitQuery(CullTimer &timer, unsigned query);
// Whether the query's answer is in: reading it then never waits.
bool QueryAnswered(unsigned query);
// `bytes` of the buffer bound to `target`, read back.
void AwaitBuffer(CullTimer &timer, unsigned target, size_t bytes, void *data);
