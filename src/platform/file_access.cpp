#include "file_access.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr long MaxFileSize = 256L << 20;

#ifdef OC_DATA_DIR
const char InstalledDataDirectory[] = OC_DATA_DIR;
#else
const char InstalledDataDirectory[] = "";
#endif

// True unless the name is plainly absent; other failures (no permission)
// are left for the open to report.
bool Exists(const std::string &native) {
    struct stat info;
    return stat(native.c_str(), &info) == 0 || (errno != ENOENT && errno != ENOTDIR);
}

std::string Join(const std::string &directory, const std::string &name) {
    if (directory.empty()) return name;
    return directory.back() == '/' ? directory + name : directory + "/" + name;
}

// How a directory is named in messages.
std::string Shown(const std::string &directory) { return directory.empty() ? "the working directory" : directory; }

enum class Lookup { Found, Missing, Ambiguous };

// The entry of `directory` called `name`: itself when it exists, else the
// one entry whose name matches ignoring case; Missing leaves in `found` the
// name as given. `what` ("file", "directory") is for the message.
// `directory` is a copy: callers pass the path being built as both it and
// `found`.
Lookup FindEntry(const std::string directory, const std::string &name, const char *what, std::string &found,
                 std::string &reason) {
    found = Join(directory, name);
    if (name.empty() || name == "." || name == ".." || Exists(found)) return Lookup::Found;
    std::vector<std::string> matches;
    if (DIR *listing = opendir(directory.empty() ? "." : directory.c_str())) {
        while (dirent *entry = readdir(listing))
            if (strcasecmp(entry->d_name, name.c_str()) == 0) matches.push_back(entry->d_name);
        closedir(listing);
    }
    if (matches.size() == 1) {
        found = Join(directory, matches[0]);
        return Lookup::Found;
    }
    if (matches.empty()) {
        reason = std::string("no ") + what + " '" + name + "' in " + Shown(directory);
        return Lookup::Missing;
    }
    reason = "'" + name + "' matches " + std::to_string(matches.size()) + " files in " + Shown(directory) + ":";
    for (size_t i = 0; i < matches.size(); ++i) reason += (i ? ", " : " ") + matches[i];
    return Lookup::Ambiguous;
}

std::vector<std::string> Components(const std::string &native) {
    std::vector<std::string> parts(1);
    for (char c : native) {
        if (c == '/')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

}  // namespace

std::string NativePath(const char *path) {
    std::string native = path ? path : "";
    for (char &c : native)
        if (c == '\\') c = '/';
    return native;
}

bool ResolvePathIn(const char *path, PathUse use, const std::string &dataDirectory, std::string &native,
                   std::string &error) {
    std::string shown = path ? path : "(null)";
    std::vector<std::string> parts = Components(NativePath(path));
    if (parts.size() == 1 && parts[0].empty()) {
        error = shown + ": empty path";
        return false;
    }
    std::string base;  // empty: the working directory
    size_t next = 0;
    std::string reason;
    if (parts[0].empty()) {
        base = "/";
        next = 1;
    } else if (parts.size() > 1) {
        // The leading directory decides where the whole path lives: the
        // installed data directory only when the working directory has none.
        Lookup here = FindEntry("", parts[0], "directory", base, reason);
        if (here == Lookup::Missing && use == PathUse::Reading && !dataDirectory.empty()) {
            here = FindEntry(dataDirectory, parts[0], "directory", base, reason);
            if (here == Lookup::Missing)
                reason = "no directory '" + parts[0] + "' in the working directory or in " + dataDirectory;
        }
        if (here != Lookup::Found) {
            error = shown + ": " + reason;
            return false;
        }
        next = 1;
    }
    for (size_t i = next; i < parts.size(); ++i) {
        bool mayBeNew = i + 1 == parts.size() && use == PathUse::Writing;
        Lookup lookup = FindEntry(base, parts[i], i + 1 == parts.size() ? "file" : "directory", base, reason);
        if (lookup == Lookup::Ambiguous || (lookup == Lookup::Missing && !mayBeNew)) {
            error = shown + ": " + reason;
            return false;
        }
    }
    native = base;
    return true;
}

bool ResolvePath(const char *path, PathUse use, std::string &native, std::string &error) {
    return ResolvePathIn(path, use, InstalledDataDirectory, native, error);
}

bool ReadWholeFile(const char *path, std::vector<unsigned char> &contents, std::string &error) {
    std::string native;
    if (!ResolvePath(path, PathUse::Reading, native, error)) return false;
    FILE *file = fopen(native.c_str(), "rb");
    if (!file) {
        error = std::string(path) + ": " + strerror(errno);
        return false;
    }
    bool ok = fseek(file, 0, SEEK_END) == 0;
    long size = ok ? ftell(file) : -1;
    if (size < 0 || fseek(file, 0, SEEK_SET) != 0) {
        error = std::string(path) + ": cannot be read: " + strerror(errno);
        fclose(file);
        return false;
    }
    if (size > MaxFileSize) {
        error = std::string(path) + ": larger than 256 MiB";
        fclose(file);
        return false;
    }
    contents.resize(size);
    size_t read = size ? fread(contents.data(), 1, size, file) : 0;
    fclose(file);
    if (read != (size_t)size) {
        error = std::string(path) + ": read error";
        return false;
    }
    return true;
}
