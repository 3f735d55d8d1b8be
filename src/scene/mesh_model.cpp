#include "scene/mesh_model.h"

#include "device/device.h"

// Up to and including the last backslash; only the backslash separates.
std::string DirectoryOfPath(const std::string &path) {
    size_t last = path.rfind('\\');
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

HRESULT MeshModel::Load(const std::string &meshPath) {
    path = meshPath;
    directory = DirectoryOfPath(path);
    ID3DXBuffer *materialBuffer = NULL;
    if (FAILED(D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_SYSTEMMEM, Device, NULL, &materialBuffer, NULL,
                                  &materialCount, &mesh)))
        return E_FAIL;
    faceCount = mesh->GetNumFaces();
    vertexCount = mesh->GetNumVertices();
    void *vertices = NULL;
    if (SUCCEEDED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices))) {
        D3DXComputeBoundingBox(static_cast<const D3DXVECTOR3 *>(vertices), vertexCount, mesh->GetNumBytesPerVertex(),
                               &boundsMin, &boundsMax);
        mesh->UnlockVertexBuffer();
    }
    // A loader that succeeds without a materials buffer gives no materials.
    if (!materialBuffer) materialCount = 0;
    const D3DXMATERIAL *loaded =
        materialBuffer ? static_cast<const D3DXMATERIAL *>(materialBuffer->GetBufferPointer()) : NULL;
    materials = new D3DMATERIAL9[materialCount];
    textures = new IDirect3DTexture9 *[materialCount]();
    for (DWORD i = 0; i < materialCount; ++i) {
        materials[i] = loaded[i].MatD3D;
        materials[i].Ambient = materials[i].Diffuse;
        const char *textureName = loaded[i].pTextureFilename;
        if (textureName && lstrlenA(textureName) > 0) {
            std::string texturePath = directory + textureName;
            if (FAILED(D3DXCreateTextureFromFileA(Device, texturePath.c_str(), &textures[i]))) {
                materialBuffer->Release();
                return E_FAIL;
            }
        }
    }
    if (materialBuffer) materialBuffer->Release();
    return S_OK;
}

HRESULT MeshModel::Release() {
    delete[] materials;
    materials = NULL;
    if (textures) {
        for (DWORD i = 0; i < materialCount; ++i) {
            if (textures[i]) {
                textures[i]->Release();
                textures[i] = NULL;
            }
        }
        delete[] textures;
        textures = NULL;
    }
    if (mesh) {
        mesh->Release();
        mesh = NULL;
    }
    return 0;
}

HRESULT MeshModel::Draw(IDirect3DDevice9 *device, D3DXMATRIX world) {
    device->SetTransform(D3DTS_WORLD, &world);
    for (DWORD i = 0; i < materialCount; ++i) {
        device->SetMaterial(&materials[i]);
        device->SetTexture(0, textures[i]);
        mesh->DrawSubset(i);
    }
    return 0;
}

HRESULT MeshModel::DrawAt(float x, float y, float z) {
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, x, y, z);
    return Draw(Device, world);
}
