// Linking GL programs from source.
#pragma once

#include <string>

// A GL program of the given shader stages (GL_VERTEX_SHADER, ...) and their
// sources; 0, with the compiler's or linker's message in `error`, on failure.
// Each source's first line is its #version; the pixel grid's defines
// (pixel_grid.h) are put after it.
unsigned LinkProgram(const unsigned *stages, const char *const *sources, int count, std::string &error);
unsigned LinkComputeProgram(const char *source, std::string &error);
