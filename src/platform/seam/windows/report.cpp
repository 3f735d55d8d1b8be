// On Windows: the failed step, and the system's last error when it has one.
#include "report.h"

#include <windows.h>

#include <cstdio>

void ReportStartupFailure(const char *step) {
    DWORD error = GetLastError();
    char reason[256] = "";
    if (error)
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0, reason,
                       sizeof reason, NULL);
    for (char *p = reason; *p; ++p)
        if (*p == '\r' || *p == '\n') *p = ' ';
    if (reason[0])
        fprintf(stderr, "occlusion-culling: %s failed: %s\n", step, reason);
    else
        fprintf(stderr, "occlusion-culling: %s failed\n", step);
    fflush(stderr);
}
