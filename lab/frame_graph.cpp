#include "lab/frame_graph.h"

#include <algorithm>

void AddFrameTime(FrameGraph &graph, double now, float milliseconds) {
    graph.times.push_back(milliseconds);
    graph.ends.push_back(now);
    size_t old = 0;
    while (old < graph.ends.size() && graph.ends[old] < now - graph.seconds) ++old;
    graph.times.erase(graph.times.begin(), graph.times.begin() + old);
    graph.ends.erase(graph.ends.begin(), graph.ends.begin() + old);
}

float SlowestFrame(const FrameGraph &graph) {
    float slowest = 1.0f;
    for (float t : graph.times) slowest = std::max(slowest, t);
    return slowest;
}
