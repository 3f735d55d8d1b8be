#include "platform_error.h"

#include <cstdarg>
#include <cstdio>

namespace {
char LastError[1024];
}

void SetPlatformError(const char *format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(LastError, sizeof LastError, format, args);
    va_end(args);
}

const char *GetPlatformError() { return LastError; }

void ClearPlatformError() { LastError[0] = '\0'; }
