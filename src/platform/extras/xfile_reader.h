// The .x reader and the file access the layer's loader uses, for a caller
// that puts the same meshes on OpenGL itself.
#pragma once
#include "../d3dx9/xfile.h"
#include "../file_access.h"
