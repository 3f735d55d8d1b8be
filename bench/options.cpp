#include "options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "methods/forest.h"

namespace {

const char Usage[] =
    "usage: occlusion-bench [FRAMES | --path FILE] [--seed N] [--trees N] [--csv FILE]\n"
    "       occlusion-bench --sweep [FRAMES | --path FILE] [--seed N] [--csv FILE]\n"
    "       occlusion-bench --keys\n"
    "FRAMES: frames of the default path (40); FILE: one camera a line, \"x y z yaw pitch\"\n"
    "--trees N: the methods alone, on N trees (1 to 100000) at the program's density\n";

bool Refuse(const std::string &reason) {
    fprintf(stderr, "occlusion-bench: %s\n%s", reason.c_str(), Usage);
    return false;
}

// A whole number from `low` to `high`, nothing else.
bool ParseNumber(const char *text, long low, long high, long &value) {
    char *end = nullptr;
    errno = 0;
    value = strtol(text, &end, 10);
    return end != text && !*end && errno == 0 && value >= low && value <= high;
}

}  // namespace

bool ParseOptions(int argc, char **argv, BenchOptions &options) {
    options.seed = DefaultForestSeed;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        bool takesValue = argument == "--csv" || argument == "--seed" || argument == "--path" || argument == "--trees";
        if (takesValue && i + 1 >= argc) return Refuse(argument + " needs a value");
        long number = 0;
        if (argument == "--csv") {
            options.csvPath = argv[++i];
        } else if (argument == "--path") {
            options.pathFile = argv[++i];
        } else if (argument == "--seed") {
            if (!ParseNumber(argv[++i], 0, 4294967295L, number))
                return Refuse(std::string("'") + argv[i] + "' is not a seed (0 to 4294967295)");
            options.seed = (unsigned)number;
        } else if (argument == "--trees") {
            if (!ParseNumber(argv[++i], 1, MaxForestTrees, number))
                return Refuse(std::string("'") + argv[i] + "' is not a tree count (1 to 100000)");
            options.trees = (int)number;
        } else if (argument == "--sweep") {
            options.sweep = true;
        } else if (argument == "--keys") {
            options.listKeys = true;
        } else if (ParseNumber(argv[i], 1, 100000, number)) {
            options.frames = (int)number;
            options.framesGiven = true;
        } else {
            return Refuse("'" + argument + "' is not a frame count (1 to 100000) nor an option");
        }
    }
    if (options.sweep && options.trees) return Refuse("--trees is for one run: the sweep sets its own counts");
    if (options.framesGiven && !options.pathFile.empty())
        return Refuse("give either FRAMES or --path FILE: a path file has its own frames");
    return true;
}

bool LoadPath(const BenchOptions &options, std::vector<CameraPose> &path) {
    if (options.pathFile.empty()) {
        path = DefaultCameraPath(options.frames);
        return true;
    }
    std::string error;
    if (ReadCameraPath(options.pathFile, path, error)) return true;
    fprintf(stderr, "occlusion-bench: %s\n", error.c_str());
    return false;
}

std::string PathName(const BenchOptions &options) {
    return options.pathFile.empty() ? "default (" + std::to_string(options.frames) + " frames)" : options.pathFile;
}
