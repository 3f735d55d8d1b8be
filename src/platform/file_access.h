// File access for paths written the Windows way ("Materials\tree.x").
//
// Windows finds a file whatever the case of its name; here a path component
// missing under its exact name is looked up in its directory ignoring case
// (ASCII): one match is used, several are an error that names them.
//
// The data directory is chosen as a whole: a relative path's leading
// directory ("Materials") is taken from the working directory when it exists
// there, else from the installed data directory (OC_DATA_DIR). A file missing
// from the chosen directory is missing; the other one is not consulted.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// The path with every backslash turned into a slash.
std::string NativePath(const char *path);

enum class PathUse { Reading, Writing };

// The native path that `path` names. For reading every component must exist;
// for writing the last one may be new, and the working directory is the only
// base. `dataDirectory` is the installed one (empty: none). On failure leaves
// "<path>: <reason>" in `error`.
bool ResolvePathIn(const char *path, PathUse use, const std::string &dataDirectory, std::string &native,
                   std::string &error);

// ResolvePathIn with the program's installed data directory.
bool ResolvePath(const char *path, PathUse use, std::string &native, std::string &error);

// Reads a whole file (at most 256 MiB). On failure leaves "<path>: <reason>"
// in `error`.
bool ReadWholeFile(const char *path, std::vector<unsigned char> &contents, std::string &error);
