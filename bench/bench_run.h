// Everything one run of the benchmark measured, for its summary and verdict.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame_rows.h"
#include "startup_timer.h"

struct BenchRun {
    int frames = 0;
    bool withLayer = true;  // false with --trees: the methods alone, no program frames
    std::vector<std::string> header;  // the machine, the commit, the seed, the path
    std::vector<StartupPhase> startup;
    std::vector<FrameRow> rows;
    // The first frame's picture through the layer against plain OpenGL's.
    std::vector<uint32_t> layerPicture, glPicture;
    int picturesDiffering = 0;
    // The first frame with stop-and-wait's flags against every tree drawn:
    // pixels that differ, and those the truth does not explain.
    int truthPictureDiffering = 0, truthPictureUnexplained = 0;
    int temporalResultsNotReady = 0;
    // Conditional rendering without waiting: trees its queries culled, and
    // of those, trees it drew all the same.
    long noWaitQueriesCulled = 0, noWaitDrawnThoughCulled = 0;
    int glErrors = 0;
};
