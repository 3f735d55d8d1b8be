// The device's OpenGL errors sent to a handler of the caller's.
#pragma once
#include "../d3d9/gl_context.h"
