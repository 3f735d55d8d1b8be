// Loading the scene, its meshes and materials, and placing the trees.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <ctime>

#include "program.h"
#include "random.h"

namespace {

int Values[600];
int NextValue;
int ScriptedRandom() { return Values[NextValue++ % 600]; }

TEST_F(ProgramTest, TreesArePlacedXFirstThenZWithinTheOpenSquare) {
    Values[0] = 0, Values[1] = 16384;       // (0, 12, +149.99542)
    Values[2] = 16383, Values[3] = 16384;   // (-149.99542, 12, +149.99542)
    Values[4] = 8192, Values[5] = 24575;    // (-75.00229, 12, +75.00229)
    for (int i = 6; i < 600; ++i) Values[i] = (i * 7919) % 32768;
    NextValue = 0;
    RandomSource = ScriptedRandom;
    bool started = StartProgram();
    RandomSource = RandomInteger;
    ASSERT_TRUE(started);
    EXPECT_EQ(NextValue, 600);
    ASSERT_EQ(SceneObjects.size(), 300u);
    EXPECT_EQ(SceneObjects[0].position.x, 0.0f);
    EXPECT_FLOAT_EQ(SceneObjects[0].position.z, 149.99542f);
    EXPECT_FLOAT_EQ(SceneObjects[1].position.x, -149.99542f);
    EXPECT_FLOAT_EQ(SceneObjects[2].position.x, -75.00229f);
    EXPECT_FLOAT_EQ(SceneObjects[2].position.z, 75.00229f);
    for (SceneObject &object : SceneObjects) {
        EXPECT_TRUE(fabsf(object.position.x) < 150 && fabsf(object.position.z) < 150 && object.position.y == 12.0f);
        EXPECT_FALSE(object.visible);
    }
    EXPECT_EQ(TreeMesh->vertexCount, 3864u);  // what "Verts Rendered" adds per tree
}

TEST_F(ProgramTest, EachStartPlacesTheForestFromTheClock) {
    time_t before = time(NULL);
    ASSERT_TRUE(StartProgram());
    bool matched = false;
    for (time_t t = before; t <= time(NULL); ++t) {
        SeedRandomInteger((unsigned)t);
        float x = RandomSigned() * 150.0f, z = RandomSigned() * 150.0f;
        matched |= x == SceneObjects[0].position.x && z == SceneObjects[0].position.z;
    }
    EXPECT_TRUE(matched);
}

class MeshModelTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(StartProgram());
    }
    void Write(const char *name, const std::string &text) {
        FILE *file = fopen(name, "w");
        fputs(text.c_str(), file);
        fclose(file);
    }
    std::string Triangle(const std::string &materials) {
        return "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { " + materials +
               " } }\n";
    }
};

TEST_F(MeshModelTest, AmbientTakesTheDiffuseAndTexturesComeFromTheMeshDirectory) {
    ASSERT_EQ(mkdir("art", 0755), 0);
    ASSERT_EQ(symlink(OC_SOURCE_DIR "/Materials/bark.png", "art/bark.png"), 0);
    Write("art/three.x", Triangle("3; 1; 0;; "
                                  "Material { 0.1;0.2;0.3;0.4;; 5; 0;0;0;; 0;0;0;; TextureFilename { \"bark.png\"; } } "
                                  "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } "
                                  "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"\"; } }"));
    MeshModel model;
    ASSERT_EQ(model.Load("art\\three.x"), S_OK);
    EXPECT_EQ(model.directory, "art\\");
    EXPECT_EQ(model.materialCount, 3u);
    EXPECT_EQ(model.faceCount, 1u);
    EXPECT_EQ(model.vertexCount, 3u);
    EXPECT_EQ(model.materials[0].Ambient.r, 0.1f);
    EXPECT_EQ(model.materials[0].Ambient.a, 0.4f);
    EXPECT_NE(model.textures[0], nullptr);
    EXPECT_EQ(model.textures[1], nullptr);  // no texture name
    EXPECT_EQ(model.textures[2], nullptr);  // an empty one
    model.Release();
    EXPECT_EQ(model.textures, nullptr);
    EXPECT_EQ(model.mesh, nullptr);
}

TEST_F(MeshModelTest, AMissingTextureFailsTheWholeLoad) {
    Write("lost.x", Triangle("1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"gone.png\"; } }"));
    MeshModel model;
    EXPECT_EQ(model.Load("lost.x"), E_FAIL);
    model.Release();
}

}  // namespace
