#pragma once
#include <string>
#include <vector>
#include "methods/plain_gl_scene.h"
struct GroundTruth {};
inline bool CreateGroundTruth(GroundTruth &, int, int, std::string &) { return true; }
inline void DestroyGroundTruth(GroundTruth &) {}
inline std::vector<int> GroundTruthPixels(GlScene &scene, GroundTruth &, const D3DXMATRIX &) {
    return std::vector<int>(scene.worlds.size(), 1);
}
struct TruthScore {
    int missed = 0;
    long missedPixels = 0;
    int wasted = 0;
    int drawn = 0;
};
inline TruthScore ScoreAgainstTruth(const std::vector<bool> &flags, const std::vector<int> &pixels) {
    TruthScore s;
    for (size_t i = 0; i < flags.size(); ++i) {
        s.drawn += flags[i];
        if (!flags[i] && pixels[i] > 0) { s.missed++; s.missedPixels += pixels[i]; }
        if (flags[i] && pixels[i] == 0) s.wasted++;
    }
    return s;
}
