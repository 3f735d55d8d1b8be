// One method's frame scored tree by tree: against the truth (which trees
// show a pixel with every tree drawn) and against a reference method's flags.
#pragma once

#include <d3dx9.h>

#include <cstdint>
#include <vector>

#include "methods/box_tests.h"

// Drawn: drawn and visible. Culled: culled and hidden. Missed: visible in
// the truth but culled, the error that shows. Wasted: drawn though nothing
// of it shows. OutOfView: culled, its box wholly outside the view.
enum class TreeState : uint8_t { Drawn, Culled, Missed, Wasted, OutOfView };

// Without a truth (empty truthPixels) a tree is Drawn or Culled by its flag.
std::vector<TreeState> ClassifyTrees(const std::vector<bool> &drawn, const std::vector<int> &truthPixels);
// Culled trees whose box (`bounds` placed by each world) lies wholly outside
// the view become OutOfView.
void MarkOutOfView(std::vector<TreeState> &states, const Box &bounds, const std::vector<D3DXMATRIX> &worlds,
                   const D3DXMATRIX &viewProjection);

struct FrameScore {
    int drawn = 0;
    int missed = 0, wasted = 0;  // against the truth: visible trees culled, hidden trees drawn
    long missedPixels = 0;       // the pixels the missed trees would have covered
    int culledAgainstReference = 0, drawnAgainstReference = 0;  // visible there and culled here, and the reverse
    int DifferingFromReference() const { return culledAgainstReference + drawnAgainstReference; }
};

// Either of truthPixels and reference may be empty: those counts stay 0.
FrameScore ScoreFrame(const std::vector<bool> &drawn, const std::vector<int> &truthPixels,
                      const std::vector<bool> &reference);

// Popping, what a user sees as flicker: trees the truth sees in both
// frames, drawn in one and not the other.
int CountPops(const std::vector<bool> &drawnBefore, const std::vector<int> &truthBefore,
              const std::vector<bool> &drawn, const std::vector<int> &truth);
