// One frame's figures along the path, and their CSV file.
#pragma once

#include <string>
#include <vector>

#include "layer_frames.h"
#include "method_frames.h"

struct FrameRow {
    int frame = 0;
    int treesExact = 0;  // trees the program's pass draws through the layer
    // Through the layer: the program's frame with culling on and off, the
    // frame taken apart, the whole frame without text, the pass alone.
    FrameTimes on, off;
    FrameBreakdown parts;
    int breakdownDiffering = 0;  // flags the frame taken apart sets otherwise
    double layerFrame = 0, passAlone = 0;
    // Plain OpenGL, each contender (method_frames.h), in Contenders' order.
    std::vector<MethodFigures> methods;
    double cpuPassOtherThreads = 0;  // the CPU pass on its other thread count
    int truthVisible = 0;
    const MethodFigures &Of(const char *contender) const { return methods[ContenderIndex(contender)]; }
};

// The CSV's column names, in order.
std::vector<std::string> FrameCsvColumns();
// False with the reason on standard error when the file cannot be written.
bool WriteFrameCsv(const std::string &path, const std::vector<FrameRow> &rows);
