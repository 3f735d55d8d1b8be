// The frame times of the last few seconds, oldest first, for the graph.
#pragma once

#include <vector>

struct FrameGraph {
    double seconds = 5.0;        // how far back the graph reaches
    std::vector<float> times;    // ms per frame
    std::vector<double> ends;    // when each frame ended, in seconds
};

void AddFrameTime(FrameGraph &graph, double now, float milliseconds);
// The slowest frame in the graph, for its scale (at least 1 ms).
float SlowestFrame(const FrameGraph &graph);
