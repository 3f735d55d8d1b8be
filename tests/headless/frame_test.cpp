// Whole frames of the real scene, as a user sees them.
#include <algorithm>

#include "program.h"

namespace {

int Red(DWORD p) { return (p >> 16) & 0xFF; }
int Green(DWORD p) { return (p >> 8) & 0xFF; }
int Blue(DWORD p) { return p & 0xFF; }

TEST_F(ProgramTest, WithoutTreesTheViewIsSkyAboveGroundAndBeyondTheFarPlaneTheRedClearColour) {
    ASSERT_TRUE(StartProgram());
    SceneObjects.clear();
    RenderFrame();
    std::vector<DWORD> pixels = ReadBackBuffer();
    int sky = 0, ground = 0;
    for (int y = 100; y < 200; ++y)  // right of the statistics, above the legend
        for (int x = 300; x < 1024; ++x) {
            DWORD top = pixels[y * 1024 + x], bottom = pixels[(y + 500) * 1024 + x];
            sky += Blue(top) > Red(top) + 30;
            // Grass; the sky box's own ground below the horizon is a greyer green.
            ground += Green(bottom) > Red(bottom) + 15 && Green(bottom) > Blue(bottom) + 50;
        }
    EXPECT_GT(sky, 724 * 100 * 9 / 10);
    EXPECT_GT(ground, 724 * 100 * 9 / 10);
    EXPECT_EQ(CountPixels(pixels, 0xFFFF0000), 0);

    Camera.position = D3DXVECTOR3(0, 5000, 0);
    Font->ReleaseDrawing();  // no overlay either
    RenderFrame();
    EXPECT_EQ(CountPixels(ReadBackBuffer(), 0xFFFF0000), 1024 * 768);
}

// The frame with its overlay against the same frame without it, with the
// expected texts drawn over it by a font of the same face and size.
TEST_F(ProgramTest, TheOverlayShowsTheStatisticsAndTheLegendInTheirColoursAndPlaces) {
    ASSERT_TRUE(StartProgram());
    RenderFrame();
    std::vector<DWORD> shown = ReadBackBuffer();
    std::string statistics = "FPS:  300\nCamera:  ( 0, 10, 0 )\nVerts Rendered:  " +
                             std::to_string(FrameCounters.verticesRendered) +
                             "\nObjects Rendered:  " + std::to_string(FrameCounters.objectsRendered) + "\n";
    Font->ReleaseDrawing();
    RenderFrame();
    BitmapFont font("Verdana", 8, 0);
    ASSERT_EQ(font.BuildAtlas(Device), S_OK);
    Device->BeginScene();
    font.DrawString(10, 10, 0xF5FFFFFF, statistics.c_str());
    font.DrawString(10, 768 - 65, 0xFFE6F014,
                    "Controls: \n WASD: Slide Camera\n IJKL: Rotate Camera\n M: Save Occlusion Buffer");
    Device->EndScene();
    std::vector<DWORD> expected = ReadBackBuffer();
    font.ReleaseAtlas();
    ASSERT_EQ(shown.size(), expected.size());
    int differing = 0;
    for (size_t i = 0; i < shown.size(); ++i) differing += shown[i] != expected[i];
    EXPECT_EQ(differing, 0) << statistics;
}

// Lighting is off: the meshes show their textures whatever colours their
// materials give. Magnified and minified textures are filtered: the same
// frame sampled from the nearest texels looks different.
TEST_F(ProgramTest, TexturesAreUntintedByMaterialsAndFilteredNotPointSampled) {
    ASSERT_TRUE(StartProgram());
    SetManualPerformanceCounter(true, 0);  // the same frame rate shown in every frame
    RenderFrame();
    std::vector<DWORD> plain = ReadBackBuffer();
    for (MeshModel *mesh : {TerrainMesh, SkyboxMesh, TreeMesh})
        for (DWORD i = 0; i < mesh->materialCount; ++i)
            mesh->materials[i].Diffuse = mesh->materials[i].Ambient = {0.2f, 0.2f, 0.2f, 1.0f};
    RenderFrame();
    EXPECT_EQ(ReadBackBuffer(), plain);
    for (D3DSAMPLERSTATETYPE filter : {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER}) {
        DWORD was = 0;
        Device->GetSamplerState(0, filter, &was);
        Device->SetSamplerState(0, filter, D3DTEXF_POINT);
        RenderFrame();
        EXPECT_NE(ReadBackBuffer(), plain) << "sampler state " << filter;
        Device->SetSamplerState(0, filter, was);
    }
    SetManualPerformanceCounter(false);
}

TEST_F(ProgramTest, AFrameDrawsTheSkyClampedAndTheRestWrappedAndIsPresentedOnce) {
    ASSERT_TRUE(StartProgram());
    RecordingDevice &recorder = Record();
    RenderFrame();
    EXPECT_EQ(recorder.Count("Present"), 1);
    int sky = 0, others = 0;
    for (const RecordingDevice::Binding &b : recorder.bindings) {
        if (!b.texture) continue;
        bool isSky = std::count(SkyboxMesh->textures, SkyboxMesh->textures + SkyboxMesh->materialCount, b.texture);
        DWORD expected = isSky ? D3DTADDRESS_CLAMP : D3DTADDRESS_WRAP;
        EXPECT_EQ(b.addressU, expected);
        EXPECT_EQ(b.addressV, expected);
        (isSky ? sky : others) += 1;
    }
    EXPECT_EQ(sky, 6);
    EXPECT_GT(others, 0);
}

TEST_F(ProgramTest, TheCountsAreThoseOfTheVisibleTreesEachFrame) {
    ASSERT_TRUE(StartProgram());
    for (int frame = 0; frame < 3; ++frame) {
        RenderFrame();
        int visible = 0;
        for (SceneObject &object : SceneObjects) visible += object.visible;
        EXPECT_GT(visible, 0);
        EXPECT_LT(visible, 300);
        EXPECT_EQ(FrameCounters.objectsRendered, visible);
        EXPECT_EQ(FrameCounters.verticesRendered, (UINT)visible * TreeMesh->vertexCount);
        KeyStates['L'] = 1;  // turn a little between frames
    }
    KeyStates['L'] = 0;
}

TEST_F(ProgramTest, AFrameWhoseSceneCannotBeginDrawsNothingButIsPresentedAndCounted) {
    ASSERT_TRUE(StartProgram());
    RenderFrame();
    std::vector<DWORD> before = ReadBackBuffer();
    SetManualPerformanceCounter(true, (int64_t)(LastPublishTime * 1e9));  // no time passes: no rate published
    int frames = FrameCount;
    ASSERT_EQ(Device->BeginScene(), D3D_OK);  // a scene left open makes the next BeginScene fail
    RenderFrame();
    Device->EndScene();
    EXPECT_EQ(FrameCounters.objectsRendered, 0);
    EXPECT_EQ(FrameCounters.verticesRendered, 0u);
    EXPECT_EQ(FrameCount, frames + 1);
    SetManualPerformanceCounter(false);
    EXPECT_EQ(ReadBackBuffer(), before);
}

}  // namespace
