#include "methods/score.h"

#include <algorithm>

std::vector<TreeState> ClassifyTrees(const std::vector<bool> &drawn, const std::vector<int> &truthPixels) {
    std::vector<TreeState> states(drawn.size(), TreeState::Drawn);
    for (size_t i = 0; i < drawn.size(); ++i) {
        bool visible = i < truthPixels.size() ? truthPixels[i] > 0 : drawn[i];
        if (drawn[i]) states[i] = visible ? TreeState::Drawn : TreeState::Wasted;
        else states[i] = visible ? TreeState::Missed : TreeState::Culled;
    }
    return states;
}

void MarkOutOfView(std::vector<TreeState> &states, const Box &bounds, const std::vector<D3DXMATRIX> &worlds,
                   const D3DXMATRIX &viewProjection) {
    for (size_t i = 0; i < states.size() && i < worlds.size(); ++i)
        if (states[i] == TreeState::Culled && BoxOutsideFrustum(bounds, worlds[i] * viewProjection))
            states[i] = TreeState::OutOfView;
}

FrameScore ScoreFrame(const std::vector<bool> &drawn, const std::vector<int> &truthPixels,
                      const std::vector<bool> &reference) {
    FrameScore score;
    size_t trees = std::max({drawn.size(), truthPixels.size(), reference.size()});
    for (size_t i = 0; i < trees; ++i) {
        bool here = i < drawn.size() && drawn[i];
        score.drawn += here;
        if (i < truthPixels.size()) {
            bool visible = truthPixels[i] > 0;
            if (visible && !here) {
                ++score.missed;
                score.missedPixels += truthPixels[i];
            }
            score.wasted += here && !visible;
        }
        if (i < reference.size()) {
            score.culledAgainstReference += reference[i] && !here;
            score.drawnAgainstReference += !reference[i] && here;
        }
    }
    return score;
}

int CountPops(const std::vector<bool> &drawnBefore, const std::vector<int> &truthBefore,
              const std::vector<bool> &drawn, const std::vector<int> &truth) {
    int pops = 0;
    for (size_t i = 0; i < drawn.size() && i < drawnBefore.size() && i < truth.size() && i < truthBefore.size(); ++i)
        pops += truthBefore[i] > 0 && truth[i] > 0 && drawnBefore[i] != drawn[i];
    return pops;
}
