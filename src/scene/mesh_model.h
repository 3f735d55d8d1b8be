// One mesh loaded from an .x file with its materials and textures.
#pragma once

#include <d3dx9.h>

#include <string>

std::string DirectoryOfPath(const std::string &path);

struct MeshModel {
    DWORD materialCount = 0;
    std::string path;
    std::string directory;
    DWORD faceCount = 0;
    DWORD vertexCount = 0;
    D3DXVECTOR3 boundsMin = D3DXVECTOR3(0, 0, 0), boundsMax = D3DXVECTOR3(0, 0, 0);  // in the mesh's own space
    D3DMATERIAL9 *materials = nullptr;
    IDirect3DTexture9 **textures = nullptr;
    ID3DXMesh *mesh = nullptr;

    HRESULT Load(const std::string &meshPath);
    HRESULT Release();
    HRESULT Draw(IDirect3DDevice9 *device, D3DXMATRIX world);
    HRESULT DrawAt(float x, float y, float z);
};
