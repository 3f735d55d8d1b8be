// The benchmark's command line.
#pragma once

#include <string>

struct BenchOptions {
    int frames = 40;
    std::string csvPath;
    bool sweep = false;
    bool listKeys = false;  // --keys: the summary keys and CSV columns, without running
};

// Fills `options`; on a bad argument prints the reason and the usage on
// standard error and returns false.
bool ParseOptions(int argc, char **argv, BenchOptions &options);
