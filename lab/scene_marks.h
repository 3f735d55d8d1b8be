// Marks drawn into the scene's main target over the finished frame: boxes
// for the trees a frozen culling left out, the trees it got wrong, and the
// frozen camera's frustum.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "methods/plain_gl_scene.h"
#include "methods/score.h"

// Colours (0xRRGGBB), shared with the map and the legend.
constexpr uint32_t CulledColour = 0x5aa0ff;   // culled as hidden, and rightly so
constexpr uint32_t OutOfViewColour = 0x707880;  // culled as out of view (the map's dots)
constexpr uint32_t MissedColour = 0xff00ff;   // culled though visible: the error that shows
constexpr uint32_t WastedColour = 0xffb000;   // drawn though nothing of it shows
constexpr uint32_t DrawnColour = 0x40d040;    // drawn and visible (the map's dots)
constexpr uint32_t FrustumColour = 0x00ffff;
// Rings on the map around the trees, for what chc did with each this frame.
constexpr uint32_t QueriedColour = 0xffffff;   // its own query, or a multi-query, issued
constexpr uint32_t InCellColour = 0x9090a0;    // its cell's box queried
constexpr uint32_t SkippedColour = 0xffff40;   // visible last frame, drawn without a query
constexpr uint32_t InFlightColour = 0xff3030;  // its query unanswered at the frame's end
constexpr uint32_t NoRing = 0xffffffffu;

struct MarkVertex {
    float position[3];
    uint32_t colour;  // RGBA bytes in memory order
};

struct SceneMarks {
    GlProgram program;
    GLuint vertexArray = 0, buffer = 0;
    std::vector<MarkVertex> lines, triangles;
};

bool CreateSceneMarks(SceneMarks &marks, std::string &error);
void DestroySceneMarks(SceneMarks &marks);

// The eight corners of a mesh's bounds placed by `world`.
void AddBox(SceneMarks &marks, const GlMesh &mesh, const D3DXMATRIX &world, uint32_t colour, bool solid);
// The frustum of a camera's view-projection, near to far.
void AddFrustum(SceneMarks &marks, const D3DXMATRIX &viewProjection, uint32_t colour);
// Boxes for the trees the culling got wrong, and while frozen for the ones
// it rightly found hidden (not those out of its view: the map shows them).
void AddTreeMarks(SceneMarks &marks, const GlScene &scene, const std::vector<TreeState> &states, bool frozen);

// Draws what was added into the scene's main target and empties the lists.
void DrawSceneMarks(SceneMarks &marks, GlScene &scene, const D3DXMATRIX &viewProjection);
