#include "report.h"

#include <cstdio>

#include "../platform_error.h"

void ReportStartupFailure(const char *step) {
    const char *reason = GetPlatformError();
    if (reason[0])
        fprintf(stderr, "occlusion-culling: %s failed: %s\n", step, reason);
    else
        fprintf(stderr, "occlusion-culling: %s failed\n", step);
}
