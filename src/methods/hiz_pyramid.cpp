#include "methods/hiz_pyramid.h"

#include <cstdint>

#include "methods/gl_program.h"
#include "methods/pixel_grid.h"

namespace {

const char *TestMain =
    "layout(local_size_x = 64) in;\n"
    "layout(std430, binding = 0) readonly buffer Worlds { mat4 worlds[]; };\n"
    "layout(std430, binding = 1) writeonly buffer Results { uint visible[]; };\n"
    "uniform mat4 viewProjection;\n"
    "uniform int treeCount;\n"
    "void main() {\n"
    "  uint i = gl_GlobalInvocationID.x;\n"
    "  if (i >= uint(treeCount)) return;\n"
    "  visible[i] = BoxAgainstPyramid(viewProjection * worlds[i]) ? 1u : 0u;\n"
    "}\n";

}  // namespace

GLuint LinkBoxTestProgram(std::string &error) {
    std::string source = std::string("#version 430 core\n") + PyramidTestSource() + TestMain;
    return LinkComputeProgram(source.c_str(), error);
}

std::vector<bool> TestBoxes(GlScene &scene, GLuint program, const DepthPyramid &pyramid, GLuint results,
                            const Box &bounds, const D3DXMATRIX &viewProjection, CullTimer &timer) {
    size_t trees = scene.worlds.size();
    glUseProgram(program);
    scene.current = nullptr;
    glBindBufferBase(GL_SHADER_STORAGE_BUFFER, WorldsBinding, scene.worldBuffer);
    glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 1, results);
    BindPyramidForTest(pyramid, program, bounds);
    glUniform1i(glGetUniformLocation(program, "treeCount"), (GLint)trees);
    glUniformMatrix4fv(glGetUniformLocation(program, "viewProjection"), 1, GL_FALSE, &viewProjection.m[0][0]);
    glDispatchCompute((GLuint)((trees + 63) / 64), 1, 1);
    glMemoryBarrier(GL_BUFFER_UPDATE_BARRIER_BIT);
    std::vector<uint32_t> flags(trees);
    glBindBuffer(GL_SHADER_STORAGE_BUFFER, results);
    AwaitBuffer(timer, GL_SHADER_STORAGE_BUFFER, flags.size() * sizeof(uint32_t), flags.data());
    return std::vector<bool>(flags.begin(), flags.end());
}

bool CreateHizPyramid(HizPyramid &hiz, size_t trees, std::string &error) {
    if (!CreateDepthPyramid(hiz.pyramid, OcclusionBufferWidth, OcclusionBufferHeight, error)) return false;
    hiz.testProgram = LinkBoxTestProgram(error);
    if (!hiz.testProgram) return false;
    glGenBuffers(1, &hiz.results);
    glBindBuffer(GL_SHADER_STORAGE_BUFFER, hiz.results);
    glBufferData(GL_SHADER_STORAGE_BUFFER, std::max<size_t>(trees, 1) * sizeof(uint32_t), nullptr, GL_DYNAMIC_READ);
    return glGetError() == GL_NO_ERROR;
}

void DestroyHizPyramid(HizPyramid &hiz) {
    DestroyDepthPyramid(hiz.pyramid);
    glDeleteProgram(hiz.testProgram);
    glDeleteBuffers(1, &hiz.results);
    hiz = HizPyramid{};
}

std::vector<bool> HizPass(GlScene &scene, HizPyramid &hiz, const D3DXMATRIX &viewProjection, CullTimer &timer) {
    FillOcclusionTarget(scene, viewProjection);
    BuildDepthPyramid(hiz.pyramid, scene.occlusionDepth);
    // The bounding meshes' boxes, as the occluders are the bounding meshes.
    return TestBoxes(scene, hiz.testProgram, hiz.pyramid, hiz.results, scene.bounding.bounds, viewProjection, timer);
}
