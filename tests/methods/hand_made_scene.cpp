#include "hand_made_scene.h"

#include <unistd.h>

HeadlessDevice *PlainGl::device = nullptr;
ContextPair PlainGl::contexts;

// Every OpenGL error of the methods' context fails the test that made it.
void FailOnGlError(const char *message) { ADD_FAILURE() << "OpenGL error: " << message; }

void PlainGl::SetUpTestSuite() {
    ASSERT_EQ(chdir(OC_SOURCE_DIR), 0);  // the meshes' paths are relative to the source tree
    device = new HeadlessDevice;
    ASSERT_TRUE(device->Create(64, 64));
    std::string error;
    ASSERT_TRUE(MakePlainContext(contexts, error, FailOnGlError)) << error;
}

// The device goes with its own context current, as it was made.
void PlainGl::TearDownTestSuite() {
    if (contexts.layer) UseLayerContext(contexts);
    delete device;
    device = nullptr;
}

const int HandMadePixels[HandMadeTrees] = {2 * 40 * 100, 10 * 50, 0, 0, 0, 2 * 40 * 100, 23 * 67};

void MakeQuadMesh(GlMesh &mesh, std::initializer_list<Quad> quads) {
    std::vector<GlVertex> vertices;
    std::vector<uint32_t> indices;
    for (const Quad &q : quads) {
        uint32_t first = (uint32_t)vertices.size();
        for (int k = 0; k < 4; ++k)
            vertices.push_back({{k & 1 ? q.x1 : q.x0, k & 2 ? q.y1 : q.y0, q.z}, {255, 255, 255, 255}, {0, 0}});
        for (uint32_t k : {0, 1, 2, 2, 1, 3, 0, 2, 1, 2, 3, 1}) indices.push_back(first + k);
    }
    MakeGlMesh(mesh, vertices, indices, {GlMeshPart{0, 0, (GLsizei)indices.size()}});
}

D3DXMATRIX Place(float scale, float x, float y, float z) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    m._11 = m._22 = m._33 = scale;
    return m;
}

D3DXMATRIX PixelSpace() {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    m._11 = 2.0f / 1024;
    m._41 = -1;
    m._22 = -2.0f / 768;
    m._42 = 1;
    m._33 = 0.01f;
    return m;
}

bool MakeHandMadeScene(GlScene &scene, std::string &error) {
    MakeQuadMesh(scene.skybox, {{-10, -10, 1100, 800, 99}});
    MakeQuadMesh(scene.terrain, {{600.7f, 100.7f, 800.7f, 300.7f, 5}});
    MakeQuadMesh(scene.tree, {{0, 0, 40, 100, 0}, {60, 0, 100, 100, 0}});
    MakeQuadMesh(scene.bounding, {{0, 0, 100, 100, -1}, {0, 0, 100, 100, 1}});
    MakeQuadMesh(scene.occluder, {{2, 2, 38, 98, 0}, {62, 2, 98, 98, 0}});
    scene.worlds = {Place(1, 100.7f, 100.7f, 10), Place(0.5f, 130.7f, 120.7f, 20), Place(0.25f, 105.7f, 105.7f, 30),
                    Place(1, 2000, 100, 10),       Place(1, 650.7f, 150.7f, 50),     Place(1, 300.7f, 500.7f, 40),
                    Place(1, 1000.7f, 700.7f, 10)};
    return CreateGlSceneObjects(scene, error);
}
