// Windows without a display, rendering through EGL: for tests and benchmarks.
#pragma once
#include "../win32/headless.h"
