#include "options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char Usage[] =
    "usage: occlusion-bench [FRAMES] [--csv FILE]\n"
    "       occlusion-bench --sweep FRAMES [--csv FILE]\n"
    "       occlusion-bench --keys\n";

bool Refuse(const char *format, const char *argument) {
    fprintf(stderr, "occlusion-bench: ");
    fprintf(stderr, format, argument);
    fprintf(stderr, "\n%s", Usage);
    return false;
}

}  // namespace

bool ParseOptions(int argc, char **argv, BenchOptions &options) {
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--csv") == 0) {
            if (i + 1 >= argc) return Refuse("%s needs a file name", argv[i]);
            options.csvPath = argv[++i];
        } else if (strcmp(argv[i], "--sweep") == 0) {
            options.sweep = true;
        } else if (strcmp(argv[i], "--keys") == 0) {
            options.listKeys = true;
        } else {
            char *end = nullptr;
            long frames = strtol(argv[i], &end, 10);
            if (end == argv[i] || *end || frames < 1 || frames > 100000)
                return Refuse("'%s' is not a frame count (1 to 100000)", argv[i]);
            options.frames = (int)frames;
        }
    }
    return true;
}
