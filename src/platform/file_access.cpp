#include "file_access.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr long MaxFileSize = 256L << 20;

FILE *OpenForReading(const std::string &path) {
    FILE *file = fopen(path.c_str(), "rb");
#ifdef OC_DATA_DIR
    if (!file && errno == ENOENT && !path.empty() && path[0] != '/') {
        int saved = errno;
        file = fopen((std::string(OC_DATA_DIR) + "/" + path).c_str(), "rb");
        if (!file) errno = saved;
    }
#endif
    return file;
}

}  // namespace

std::string NativePath(const char *path) {
    std::string native = path ? path : "";
    for (char &c : native)
        if (c == '\\') c = '/';
    return native;
}

bool ReadWholeFile(const char *path, std::vector<unsigned char> &contents, std::string &error) {
    std::string native = NativePath(path);
    FILE *file = OpenForReading(native);
    if (!file) {
        error = std::string(path ? path : "(null)") + ": " + strerror(errno);
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
