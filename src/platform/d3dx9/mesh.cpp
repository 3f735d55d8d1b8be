// D3DXLoadMeshFromXA: a mesh read from an .x file, its vertices and indices
// put on the GPU once, faces grouped by material so each subset is one draw.
#include <algorithm>
#include <cstring>
#include <string>

#include "../d3d9/com_object.h"
#include "../file_access.h"
#include "../platform_error.h"
#include "d3dx9.h"
#include "xfile.h"

namespace {

struct MemoryBuffer : ComObject<ID3DXBuffer, LiveBuffer> {
    std::vector<BYTE> bytes;
    LPVOID STDMETHODCALLTYPE GetBufferPointer() override { return bytes.data(); }
    DWORD STDMETHODCALLTYPE GetBufferSize() override { return (DWORD)bytes.size(); }
};

struct Subset {
    UINT startIndex = 0, triangleCount = 0;
};

struct Mesh : ComObject<ID3DXMesh, LiveMesh> {
    IDirect3DDevice9 *device = nullptr;
    IDirect3DVertexBuffer9 *vertices = nullptr;
    IDirect3DIndexBuffer9 *indices = nullptr;
    DWORD fvf = 0, stride = 0, options = 0;
    DWORD vertexCount = 0, faceCount = 0;
    std::vector<Subset> subsets;      // by attribute id
    std::vector<DWORD> attributes;    // per face, in file order
    bool attributesLocked = false;

    ~Mesh() override {
        if (vertices) vertices->Release();
        if (indices) indices->Release();
        device->Release();
    }

    HRESULT STDMETHODCALLTYPE DrawSubset(DWORD attribute) override {
        if (attribute >= subsets.size() || subsets[attribute].triangleCount == 0) return D3D_OK;
        const Subset &subset = subsets[attribute];
        device->SetFVF(fvf);
        device->SetStreamSource(0, vertices, 0, stride);
        device->SetIndices(indices);
        return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount, subset.startIndex,
                                            subset.triangleCount);
    }
    DWORD STDMETHODCALLTYPE GetNumFaces() override { return faceCount; }
    DWORD STDMETHODCALLTYPE GetNumVertices() override { return vertexCount; }
    DWORD STDMETHODCALLTYPE GetFVF() override { return fvf; }
    DWORD STDMETHODCALLTYPE GetNumBytesPerVertex() override { return stride; }
    DWORD STDMETHODCALLTYPE GetOptions() override { return options; }
    HRESULT STDMETHODCALLTYPE GetDevice(LPDIRECT3DDEVICE9 *out) override {
        if (!out) return D3DERR_INVALIDCALL;
        device->AddRef();
        *out = device;
        return D3D_OK;
    }
    // Read-only here: the faces on the device stay grouped as loaded.
    HRESULT STDMETHODCALLTYPE LockAttributeBuffer(DWORD, DWORD **data) override {
        if (!data || attributesLocked) return D3DERR_INVALIDCALL;
        attributesLocked = true;
        *data = attributes.data();
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE UnlockAttributeBuffer() override {
        if (!attributesLocked) return D3DERR_INVALIDCALL;
        attributesLocked = false;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE LockVertexBuffer(DWORD flags, LPVOID *data) override {
        return vertices->Lock(0, 0, data, flags);
    }
    HRESULT STDMETHODCALLTYPE UnlockVertexBuffer() override { return vertices->Unlock(); }
};

D3DCOLORVALUE Color(const float c[4]) { return {c[0], c[1], c[2], c[3]}; }

DWORD PackColor(const float c[4]) {
    auto byte = [](float v) { return (DWORD)(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); };
    return byte(c[3]) << 24 | byte(c[0]) << 16 | byte(c[1]) << 8 | byte(c[2]);
}

// D3DXMATERIAL records followed by their texture names, in one buffer.
MemoryBuffer *MaterialBuffer(const std::vector<XFileMaterial> &materials) {
    size_t names = 0;
    for (const XFileMaterial &m : materials)
        if (m.hasTextureFilename) names += m.textureFilename.size() + 1;
    auto *buffer = new MemoryBuffer;
    buffer->bytes.assign(materials.size() * sizeof(D3DXMATERIAL) + names, 0);
    auto *records = reinterpret_cast<D3DXMATERIAL *>(buffer->bytes.data());
    char *name = reinterpret_cast<char *>(records + materials.size());
    for (size_t i = 0; i < materials.size(); ++i) {
        const XFileMaterial &m = materials[i];
        records[i].MatD3D = {Color(m.diffuse), Color(m.ambient), Color(m.specular), Color(m.emissive), m.power};
        records[i].pTextureFilename = nullptr;
        if (m.hasTextureFilename) {
            memcpy(name, m.textureFilename.c_str(), m.textureFilename.size() + 1);
            records[i].pTextureFilename = name;
            name += m.textureFilename.size() + 1;
        }
    }
    return buffer;
}

HRESULT CreateMesh(IDirect3DDevice9 *device, const XFileMesh &data, DWORD options, Mesh *&out) {
    DWORD fvf = D3DFVF_XYZ;
    if (data.hasNormals) fvf |= D3DFVF_NORMAL;
    if (data.hasColors) fvf |= D3DFVF_DIFFUSE;
    if (data.hasTexcoords) fvf |= D3DFVF_TEX1;
    DWORD stride = 12 + (data.hasNormals ? 12 : 0) + (data.hasColors ? 4 : 0) + (data.hasTexcoords ? 8 : 0);
    UINT vertexCount = (UINT)data.vertices.size(), faceCount = (UINT)data.attributes.size();
    bool wide = vertexCount > 0xFFFF;
    UINT indexSize = wide ? 4 : 2;
    D3DPOOL pool = D3DPOOL_MANAGED;  // survives Reset, as system-memory meshes do

    IDirect3DVertexBuffer9 *vertices = nullptr;
    IDirect3DIndexBuffer9 *indices = nullptr;
    HRESULT hr = device->CreateVertexBuffer(vertexCount * stride, 0, fvf, pool, &vertices, nullptr);
    if (SUCCEEDED(hr))
        hr = device->CreateIndexBuffer(faceCount * 3 * indexSize, 0, wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16, pool,
                                       &indices, nullptr);
    if (FAILED(hr)) {
        if (vertices) vertices->Release();
        return hr;
    }

    BYTE *v = nullptr;
    vertices->Lock(0, 0, reinterpret_cast<void **>(&v), 0);
    for (const XFileVertex &vertex : data.vertices) {
        memcpy(v, vertex.position, 12), v += 12;
        if (data.hasNormals) memcpy(v, vertex.normal, 12), v += 12;
        if (data.hasColors) {
            DWORD color = PackColor(vertex.color);
            memcpy(v, &color, 4), v += 4;
        }
        if (data.hasTexcoords) memcpy(v, vertex.texcoord, 8), v += 8;
    }
    vertices->Unlock();

    XFileGroups groups = GroupTrianglesByMaterial(data);
    std::vector<Subset> subsets(groups.triangleCount.size());
    for (size_t a = 0; a < subsets.size(); ++a) subsets[a] = {groups.firstTriangle[a] * 3, groups.triangleCount[a]};
    BYTE *ib = nullptr;
    indices->Lock(0, 0, reinterpret_cast<void **>(&ib), 0);
    for (size_t i = 0; i < groups.indices.size(); ++i) {
        uint32_t index = groups.indices[i];
        if (wide)
            memcpy(ib + i * 4, &index, 4);
        else {
            uint16_t narrow = (uint16_t)index;
            memcpy(ib + i * 2, &narrow, 2);
        }
    }
    indices->Unlock();

    out = new Mesh;
    out->device = device;
    device->AddRef();
    out->vertices = vertices;
    out->indices = indices;
    out->fvf = fvf;
    out->stride = stride;
    out->options = options | (wide ? D3DXMESH_32BIT : 0);
    out->vertexCount = vertexCount;
    out->faceCount = faceCount;
    out->subsets = std::move(subsets);
    out->attributes.assign(data.attributes.begin(), data.attributes.end());
    return D3D_OK;
}

// The .x layer's own codes for a file it cannot read; E_FAIL for a readable
// file that gives no mesh, as D3DX answers for one without any.
HRESULT ParseFailureResult(XFileFault fault) {
    switch (fault) {
    case XFileFault::BadFileType: return D3DXFERR_BADFILETYPE;
    case XFileFault::BadFileVersion: return D3DXFERR_BADFILEVERSION;
    case XFileFault::BadFloatSize: return D3DXFERR_BADFILEFLOATSIZE;
    case XFileFault::Syntax: return D3DXFERR_PARSEERROR;
    default: return E_FAIL;
    }
}

}  // namespace

HRESULT WINAPI D3DXLoadMeshFromXA(LPCSTR path, DWORD options, LPDIRECT3DDEVICE9 device, LPD3DXBUFFER *adjacency,
                                  LPD3DXBUFFER *materials, LPD3DXBUFFER *effects, DWORD *materialCount,
                                  LPD3DXMESH *mesh) {
    if (!path || !device || !mesh) return D3DERR_INVALIDCALL;
    *mesh = nullptr;
    if (adjacency) *adjacency = nullptr;
    if (materials) *materials = nullptr;
    if (effects) *effects = nullptr;
    std::vector<unsigned char> file;
    std::string error;
    if (!ReadWholeFile(path, file, error)) {
        SetPlatformError("%s", error.c_str());
        return D3DXERR_INVALIDDATA;  // as D3DX answers for a file it cannot open
    }
    XFileMesh data;
    XFileFault fault;
    if (!ParseXFile(file.data(), file.size(), data, error, fault)) {
        SetPlatformError("%s: %s", path, error.c_str());
        return ParseFailureResult(fault);
    }
    Mesh *created = nullptr;
    HRESULT hr = CreateMesh(device, data, options, created);
    if (FAILED(hr)) {
        SetPlatformError("%s: the mesh cannot be put on the device", path);
        return hr;
    }
    if (materials) *materials = MaterialBuffer(data.materials);
    if (materialCount) *materialCount = (DWORD)data.materials.size();
    if (adjacency) {
        // Adjacency is not computed; every edge is reported open.
        auto *buffer = new MemoryBuffer;
        buffer->bytes.assign((size_t)created->faceCount * 3 * sizeof(DWORD), 0xFF);
        *adjacency = buffer;
    }
    *mesh = created;
    return D3D_OK;
}
