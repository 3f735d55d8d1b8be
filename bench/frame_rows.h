// One frame's figures along the path, and their CSV file.
#pragma once

#include <string>
#include <vector>

#include "layer_frames.h"
#include "method_frames.h"
#include "methods/camera_path.h"

struct FrameRow {
    int frame = 0;
    CameraPose pose = {};
    // Through the layer: the program's frame with culling on and off, the
    // frame taken apart, the whole frame without text, the pass alone.
    FrameTimes on, off;
    FrameBreakdown parts;
    int breakdownDiffering = 0;  // flags the frame taken apart sets otherwise
    double layerFrame = 0, passAlone = 0;
    // The program's frame in plain OpenGL timed as the layer's is (between
    // boundaries, no timer query): until its flags are known, and whole.
    double glPass = 0, glFrame = 0;
    int layerDifferingFromGl = 0;  // flags the layer's pass sets unlike plain OpenGL's
    // Plain OpenGL, each contender, in Contenders' order.
    std::vector<MethodFigures> methods;
    int truthVisible = 0;
};

// The CSV's column names, in order.
std::vector<std::string> FrameCsvColumns();
// The header lines (each written as "# line"), then one row a frame (the
// layer's columns only `withLayer`). False with the reason on standard
// error when the file cannot be written.
bool WriteFrameCsv(const std::string &path, const std::vector<std::string> &header, const std::vector<FrameRow> &rows,
                   bool withLayer);
