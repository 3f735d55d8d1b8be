// The clocks every measurement uses: the CPU's steady clock in milliseconds,
// the boundary that makes it see the GPU's work, and the CPU time a method
// spends blocked on the GPU's answers.
#pragma once

#include <chrono>
#include <cstddef>

using Clock = std::chrono::steady_clock;

inline double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Timing boundary: everything issued so far has been executed.
void FinishGpu();

// The waits of one method's run: each answer it reads from the GPU goes
// through these, which add the time they block to `waited` (milliseconds).
struct CullTimer {
    double waited = 0;
};
// A query's sample count, read with one blocking call.
unsigned AwaitQuery(CullTimer &timer, unsigned query);
// `bytes` of the buffer bound to `target`, read back.
void AwaitBuffer(CullTimer &timer, unsigned target, size_t bytes, void *data);
