// The program's frame written directly in OpenGL, on the same driver: the
// same mesh files and textures, the same matrices and the states the layer
// derives from the program's render states, into targets of the same sizes
// and formats. The ground every culling method runs on.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "methods/box_tests.h"

struct GlMeshPart {
    GLuint texture = 0;  // 0: the vertex colour alone, as with no texture bound
    GLsizei firstIndex = 0, indexCount = 0;
};

struct GlMesh {
    GLuint vertexArray = 0, vertexBuffer = 0, indexBuffer = 0;
    GLenum indexType = GL_UNSIGNED_SHORT;
    std::vector<GlMeshPart> parts;
    Box bounds = {};  // in the mesh's own space
    // A CPU copy of the triangles (grouped as `parts` index them), for
    // methods that rasterise in software.
    std::vector<D3DXVECTOR3> positions;
    std::vector<uint32_t> indices;
};

// One vertex as the meshes are uploaded: position, diffuse colour, texcoord.
struct GlVertex {
    float position[3];
    unsigned char colour[4];
    float texcoord[2];
};

// Uploads a mesh given as triangles grouped into parts (firstIndex and
// indexCount in `indices`); keeps the CPU copy and the bounds.
void MakeGlMesh(GlMesh &mesh, const std::vector<GlVertex> &vertices, const std::vector<uint32_t> &indices,
                const std::vector<GlMeshPart> &parts);
// Every part's triangles, with whatever program and matrix are set.
void DrawMeshParts(const GlMesh &mesh);

struct GlProgram {
    GLuint program = 0;
    GLint matrixUniform = -1, offsetUniform = -1;
};

struct GlScene {
    GlMesh terrain, skybox, tree, bounding;
    std::vector<D3DXMATRIX> worlds;  // one per tree
    GlProgram programs[2];            // without and with a texture
    const GlProgram *current = nullptr;
    float pixelOffset[2] = {0, 0};    // the current target's pixel-centre shift
    GLuint clampSampler = 0, wrapSampler = 0;
    GLuint mainFramebuffer = 0, mainColour = 0, mainDepth = 0;
    GLuint occlusionFramebuffer = 0, occlusionColour = 0, occlusionDepth = 0;  // depth is a texture
};

// A program of the scene's vertex stage (matrix `worldViewProjection`, the
// pixel-centre shift `pixelOffset`, the y flip) and the given fragment stage,
// so that another pass covers exactly the scene's pixels.
GLuint LinkSceneProgram(const char *fragmentSource, std::string &error);

// Reads the four mesh files and their textures and builds the targets.
bool LoadGlScene(GlScene &scene, const std::vector<D3DXMATRIX> &worlds, std::string &error);
// The programs, samplers, targets and states, for meshes made otherwise
// (MakeGlMesh); LoadGlScene's second half.
bool CreateGlSceneObjects(GlScene &scene, std::string &error);

// The occlusion buffer bound, its viewport set, cleared to grey and far depth.
void BeginOcclusionTarget(GlScene &scene);
void DrawBounding(GlScene &scene, size_t tree, const D3DXMATRIX &viewProjection);
// The occlusion buffer begun and every bounding mesh drawn into its depth.
void FillOcclusionTarget(GlScene &scene, const D3DXMATRIX &viewProjection);

// The main scene: red clear, skybox (clamped), terrain and the flagged trees
// (wrapped), then the flush that stands for presenting without a window.
void MainSceneGl(GlScene &scene, const D3DXMATRIX &viewProjection, const std::vector<bool> &flags);
