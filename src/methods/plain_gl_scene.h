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
void DestroyGlMesh(GlMesh &mesh);
// Every part's triangles for `count` trees of a list of tree numbers (a
// buffer) from entry `first`, with whatever program and uniforms are set.
void DrawMeshInstances(const GlMesh &mesh, GLuint list, GLuint first, GLsizei count);

// A program of the scene's vertex stage (LinkSceneProgram) and its uniforms.
struct GlProgram {
    GLuint program = 0;
    GLint viewProjectionUniform = -1, worldViewProjectionUniform = -1, instancedUniform = -1, offsetUniform = -1;
};
void FindSceneUniforms(GlProgram &program);

// The shader storage binding of the forest's world matrices.
constexpr GLuint WorldsBinding = 0;

struct GlScene {
    GlMesh terrain, skybox, tree, bounding;
    GlMesh occluder;  // inside the tree's own parts: occluders that never hide what the tree does not
    std::vector<D3DXMATRIX> worlds;  // one per tree; UploadWorlds after a change
    // On the GPU: every tree's world (a shader storage buffer), the list of
    // every tree number 0 .. n - 1, and the list of trees to draw.
    GLuint worldBuffer = 0, everyTree = 0, drawList = 0;
    // One draw call a tree, its world-view-projection made on the CPU, as
    // the program makes them, instead of one instanced draw for all: for
    // measuring the layer against the same calls.
    bool oneDrawATree = false;
    GlProgram programs[2];            // without and with a texture
    GlProgram placedPrograms[2];      // the same for meshes placed one by one
    const GlProgram *current = nullptr;
    float pixelOffset[2] = {0, 0};    // the current target's pixel-centre shift
    GLuint clampSampler = 0, wrapSampler = 0;
    GLuint mainFramebuffer = 0, mainColour = 0, mainDepth = 0;                  // depth textures, 16-bit
    GLuint occlusionFramebuffer = 0, occlusionColour = 0, occlusionDepth = 0;
};

// A program of the scene's vertex stage and the given fragment stage, so that
// another pass covers exactly the scene's pixels. The vertex stage places a
// mesh by the uniform `world`, or, with `instanced` set, each instance by
// the world of its tree (instance attribute 4, from a list of tree numbers);
// then `viewProjection`, the pixel-centre shift `pixelOffset` and the y
// flip. It hands the fragment stage `flat uint vTree`: the tree's number + 1,
// 0 for a mesh placed by `world`.
GLuint LinkSceneProgram(const char *fragmentSource, std::string &error);
// The forest's worlds (scene.worlds) put on the GPU, and the list of every tree.
void UploadWorlds(GlScene &scene);

// Reads the mesh files (the program's four and the tree's inner occluder)
// and their textures and builds the targets.
bool LoadGlScene(GlScene &scene, const std::vector<D3DXMATRIX> &worlds, std::string &error);
// The programs, samplers, targets and states, for meshes made otherwise
// (MakeGlMesh); LoadGlScene's second half.
bool CreateGlSceneObjects(GlScene &scene, std::string &error);

// The occlusion buffer bound, its viewport set, cleared to grey and far depth.
void BeginOcclusionTarget(GlScene &scene);
// One tree's bounding mesh into the target bound.
void DrawBounding(GlScene &scene, size_t tree, const D3DXMATRIX &viewProjection);
// One tree's own mesh (wrapped textures) into the target bound, by its number.
void DrawTree(GlScene &scene, size_t tree, const D3DXMATRIX &viewProjection);
// The occlusion buffer begun and every bounding mesh drawn into its depth.
void FillOcclusionTarget(GlScene &scene, const D3DXMATRIX &viewProjection);

// The main scene in its steps: the main target bound (BindMainTarget), or
// bound, cleared to red and the skybox (clamped) and terrain drawn
// (BeginMainTarget); trees (wrapped) drawn by number, one instanced draw per
// part of the tree's mesh; then the flush that stands for presenting
// without a window.
void BindMainTarget(GlScene &scene);
void BeginMainTarget(GlScene &scene, const D3DXMATRIX &viewProjection);
void DrawTrees(GlScene &scene, const D3DXMATRIX &viewProjection, const std::vector<uint32_t> &trees);
// Trees listed on the GPU: `commands` holds one indirect draw command
// (count, instances, first index, base vertex, base instance) per part of
// the tree's mesh, in order; `list` the tree numbers the instances draw.
void DrawTreesIndirect(GlScene &scene, const D3DXMATRIX &viewProjection, GLuint list, GLuint commands);
void EndMainTarget();
std::vector<uint32_t> TreesFlagged(const std::vector<bool> &flags);
// The whole main scene with the flagged trees.
void MainSceneGl(GlScene &scene, const D3DXMATRIX &viewProjection, const std::vector<bool> &flags);
