#include "conformance_window.h"

void UseHeadlessWindowsWhereOffered() {}
