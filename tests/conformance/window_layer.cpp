#include "conformance_window.h"

#include "win32/headless.h"

void UseHeadlessWindowsWhereOffered() { SetHeadlessWindows(true); }
