// The program's frame written directly in OpenGL, on the same driver: the
// same mesh files and textures, the same matrices and the states the layer
// derives from the program's render states, into targets of the same sizes
// and formats. Used for the layer-against-OpenGL ratios and as the ground
// the occlusion strategies run on.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "methods/common.h"

struct GlMeshPart {
    GLuint texture = 0;  // 0: the vertex colour alone, as with no texture bound
    GLsizei firstIndex = 0, indexCount = 0;
};

struct GlMesh {
    GLuint vertexArray = 0, vertices = 0, indices = 0;
    GLenum indexType = GL_UNSIGNED_SHORT;
    std::vector<GlMeshPart> parts;
    float boundsMin[3] = {0, 0, 0}, boundsMax[3] = {0, 0, 0};  // in the mesh's own space
    // A CPU copy of the triangles (grouped as `parts` index them), for
    // methods that rasterise in software.
    std::vector<D3DXVECTOR3> positions;
    std::vector<uint32_t> indices32;
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
    // The program's pass's one query, as the layer keeps it: a ring of GL
    // queries, since llvmpipe can corrupt its heap when a query is begun
    // again right after its result was read.
    GLuint queryRing[4] = {};
    unsigned nextQuery = 0;
};

// The layer's context and a plain OpenGL 4.3 core context of its own
// (compute shaders for the depth pyramid) on the same EGL display, so that
// each frame can be measured through both while the machine's load is the
// same. Objects are not shared between them.
struct ContextPair {
    void *display = nullptr, *layer = nullptr, *plain = nullptr;
};

// Made while the layer's headless context is current; leaves the plain one
// current. False with the reason in `error`.
bool MakePlainContext(ContextPair &contexts, std::string &error);
void UsePlainContext(const ContextPair &contexts);
// The layer's own context again, which the layer believes never left.
void UseLayerContext(const ContextPair &contexts);

// A program of the scene's vertex stage (matrix `worldViewProjection`, the
// pixel-centre shift `pixelOffset`, the y flip) and the given fragment stage,
// so that another pass covers exactly the scene's pixels.
GLuint LinkSceneProgram(const char *fragmentSource, std::string &error);

// Reads the four mesh files and their textures and builds the targets.
bool LoadGlScene(GlScene &scene, const std::vector<D3DXMATRIX> &worlds, std::string &error);
// The programs, samplers, targets, queries and states, for meshes made
// otherwise (MakeGlMesh); LoadGlScene's second half.
bool CreateGlSceneObjects(GlScene &scene, std::string &error);

// The occlusion buffer bound, its viewport set, cleared to grey and far depth.
void BeginOcclusionTarget(GlScene &scene);
void DrawBounding(GlScene &scene, size_t tree, const D3DXMATRIX &viewProjection);
// Every bounding mesh into the occlusion buffer's depth (its step one).
void FillOcclusionDepth(GlScene &scene, const D3DXMATRIX &viewProjection);

// The program's pass: fill, then one query per tree awaited before the next.
std::vector<bool> ProgramPassGl(GlScene &scene, const D3DXMATRIX &viewProjection);

// The main scene: red clear, skybox (clamped), terrain and the flagged trees
// (wrapped), then the flush that stands for presenting without a window.
void MainSceneGl(GlScene &scene, const RecordedFrame &frame, const std::vector<bool> &flags);
