// The program's start-up, one step at a time, timed (each step's name is a
// summary key): the window, the device, each mesh file, the trees placed,
// the glyph atlas, the first frame.
#pragma once

#include <string>
#include <vector>

// The steps, in their order.
constexpr int StartupPhaseCount = 9;
extern const char *const StartupPhaseNames[StartupPhaseCount];

struct StartupPhase {
    std::string name;
    double ms;
};

// Leaves the window, device and scene up on a headless window, as the
// program's start-up does, with the forest placed from `seed`. False (with
// the failure reported on standard error) when a step fails.
bool StartUpTimed(unsigned seed, std::vector<StartupPhase> &phases);
