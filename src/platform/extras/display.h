// A real display for a program of its own SDL windows (the lab), found as
// the layer's windows find it; the reason in GetPlatformError when none.
#pragma once
#include "../platform_error.h"
#include "../win32/headless.h"
