// What the methods, the benchmark and the lab share: the clock, the fixed
// forest and camera path, and one method's flags compared with another's.
#pragma once

#include <d3dx9.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;

inline double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double Mean(const std::vector<double> &values);

// The scene's random source with a fixed seed, so every run has the same forest.
int FixedRandom();
constexpr unsigned FixedSeed = 2026;
// The generator behind FixedRandom on a state of the caller's: 0..32767.
int NextRandom(unsigned &state);

// Frame i of n: a walk through the forest from south to north, swaying.
void PlaceCamera(int i, int n);

// Timing boundary: everything issued so far has been executed.
void FinishGpu();

// The methods' waits on the GPU: a query's sample count (a blocking read)
// and a buffer read back. While WaitTime points at a total, the milliseconds
// spent in them are added to it (the lab shows how long a pass is blocked);
// the benchmark leaves it null.
extern double *WaitTime;
unsigned QueryResult(unsigned query);
void ReadBackBuffer(unsigned target, size_t bytes, void *data);

// A GL program of the given shader stages (GL_VERTEX_SHADER, ...) and their
// sources; 0, with the compiler's or linker's message in `error`, on failure.
unsigned LinkProgram(const unsigned *stages, const char *const *sources, int count, std::string &error);

// One frame as the layer saw it: its matrices and the program's pass's flags,
// the reference every other method is checked against.
struct RecordedFrame {
    D3DXMATRIX viewProjection;
    std::vector<bool> exact;
};

// Counts of one method's flags against the exact ones.
struct FlagComparison {
    int wronglyCulled = 0;  // visible in the exact pass, culled here
    int wronglyDrawn = 0;   // hidden in the exact pass, drawn here
    int drawn = 0;
    int Differing() const { return wronglyCulled + wronglyDrawn; }
};

FlagComparison CompareFlags(const std::vector<bool> &flags, const std::vector<bool> &exact);
