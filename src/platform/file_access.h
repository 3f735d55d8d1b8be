// File access for paths written the Windows way ("Materials\tree.x").
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// The path with every backslash turned into a slash.
std::string NativePath(const char *path);

// Reads a whole file. A relative path missing from the working directory is
// looked up in the installed data directory. On failure leaves
// "<path>: <reason>" in `error`.
bool ReadWholeFile(const char *path, std::vector<unsigned char> &contents, std::string &error);
