#include "random.h"

namespace {
unsigned State = 1;
}

// The linear congruential generator of the Windows C runtime, so that one
// seed places the trees identically on both platforms.
void SeedRandomInteger(unsigned seed) { State = seed; }

int RandomInteger() {
    State = State * 214013u + 2531011u;
    return (State >> 16) & 0x7FFF;
}
