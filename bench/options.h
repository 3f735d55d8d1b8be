// The benchmark's command line.
#pragma once

#include <string>
#include <vector>

#include "methods/camera_path.h"

struct BenchOptions {
    int frames = 40;  // of the default path
    bool framesGiven = false;
    std::string csvPath;
    bool sweep = false;
    bool listKeys = false;  // --keys: the summary keys and CSV columns, without running
    unsigned seed = 2026;   // the forest
    std::string pathFile;   // --path: the camera path; empty for the default one
    int trees = 0;          // --trees: the methods alone on a forest of this many trees; 0: the program's
};

// Fills `options`; on a bad argument prints the reason and the usage on
// standard error and returns false.
bool ParseOptions(int argc, char **argv, BenchOptions &options);
// The path to fly: the file's, or the default path of `frames` frames.
// False with the reason on standard error.
bool LoadPath(const BenchOptions &options, std::vector<CameraPose> &path);
// "default (N frames)" or the file's name.
std::string PathName(const BenchOptions &options);
