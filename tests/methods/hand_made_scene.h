// A hand-made scene whose answers are known to the pixel, and the plain
// OpenGL context the methods' tests run in.
//
// World units are the 1024 x 768 frame's pixels (y down, edges at .7 so that
// no pixel centre lies on one) and depth is z / 100 (PixelSpace()). A tree
// is two 40 x 100 panels with a 20-wide gap between them; its bounding mesh
// is one 100 x 100 panel in front of them and one behind, so its box holds
// the tree while its silhouette hides the gap; its inner occluder is each
// panel less a 2-wide border, so the gap stays open. The terrain is one panel.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>

#include "headless_device.h"
#include "methods/plain_context.h"
#include "methods/plain_gl_scene.h"

// One plain OpenGL context for the whole suite, beside a headless device,
// run from the source tree (where Materials/ is).
class PlainGl : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    static HeadlessDevice *device;
    static ContextPair contexts;
};

struct Quad {
    float x0, y0, x1, y1, z;
};
// Rectangles facing the camera, each drawn from both sides so that
// whichever winding is the front one draws.
void MakeQuadMesh(GlMesh &mesh, std::initializer_list<Quad> quads);
// A uniform scale, then a translation.
D3DXMATRIX Place(float scale, float x, float y, float z);
D3DXMATRIX PixelSpace();

// The trees of the hand-made scene and the pixels each shows in the finished frame.
enum HandMadeTree { Front, ThroughGap, Hidden, Offscreen, BehindTerrain, Open, AtEdge, HandMadeTrees };
extern const int HandMadePixels[HandMadeTrees];
// Front: nothing before it. ThroughGap: half size behind Front, its left
// panel seen through the gap. Hidden: quarter size behind Front's left
// panel. Offscreen. BehindTerrain: hidden by the terrain, which is no
// occluder in the program's pass. Open. AtEdge: cut by the right and bottom edges.

// Its meshes and trees, then the scene's programs and targets.
bool MakeHandMadeScene(GlScene &scene, std::string &error);
