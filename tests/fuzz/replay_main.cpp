// Runs a libFuzzer target over saved inputs without libFuzzer, so a normal
// build can replay the seed corpus and past findings as a regression test.
// Arguments are files or directories (searched recursively).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace fs = std::filesystem;

namespace {

bool Replay(const fs::path &path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s FILE_OR_DIRECTORY...\n", argv[0]);
        return 2;
    }
    size_t replayed = 0;
    for (int i = 1; i < argc; i++) {
        std::error_code error;
        if (fs::is_directory(argv[i], error)) {
            for (const fs::directory_entry &entry : fs::recursive_directory_iterator(argv[i], error)) {
                if (!entry.is_regular_file()) continue;
                if (!Replay(entry.path())) return 1;
                replayed++;
            }
        } else if (!Replay(argv[i])) {
            return 1;
        } else {
            replayed++;
        }
        if (error) {
            fprintf(stderr, "cannot list %s: %s\n", argv[i], error.message().c_str());
            return 1;
        }
    }
    if (replayed == 0) {
        fprintf(stderr, "no inputs found\n");
        return 1;
    }
    printf("replayed %zu inputs\n", replayed);
    return 0;
}
