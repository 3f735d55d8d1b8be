// libFuzzer target for the .x reader. Besides "no crash", it checks that a
// successful parse gives a mesh the renderer can index safely and that a
// failure says where it failed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "d3dx9/xfile.h"

namespace {

bool StartsWith(const std::string &text, const char *prefix) { return text.rfind(prefix, 0) == 0; }

bool MeshIsConsistent(const XFileMesh &mesh) {
    if (mesh.indices.empty() || mesh.indices.size() != mesh.attributes.size() * 3 || mesh.materials.empty()) {
        return false;
    }
    for (uint32_t index : mesh.indices) {
        if (index >= mesh.vertices.size()) return false;
    }
    for (uint32_t attribute : mesh.attributes) {
        if (attribute >= mesh.materials.size()) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    XFileMesh mesh;
    std::string error;
    XFileFault fault;
    bool ok = ParseXFile(data, size, mesh, error, fault);
    if (ok ? !MeshIsConsistent(mesh) || !error.empty() || fault != XFileFault::None
           : (!StartsWith(error, "line ") && !StartsWith(error, "byte offset ")) || fault == XFileFault::None) {
        abort();
    }
    return 0;
}
