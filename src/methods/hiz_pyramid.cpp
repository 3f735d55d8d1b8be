#include "methods/hiz_pyramid.h"

#include <cstdint>

#include "methods/gl_program.h"
#include "methods/pixel_grid.h"

namespace {

constexpr int PowerOfTwoAtLeast(int n) { return n <= 1 ? 1 : 2 * PowerOfTwoAtLeast((n + 1) / 2); }
// The occlusion buffer padded to powers of two, so that every level halves exactly.
constexpr int PyramidWidth = PowerOfTwoAtLeast(OcclusionBufferWidth);
constexpr int PyramidHeight = PowerOfTwoAtLeast(OcclusionBufferHeight);

// Level 0: the depth buffer where it exists, far depth in the padding.
const char *CopySource =
    "#version 430 core\n"
    "layout(local_size_x = 8, local_size_y = 8) in;\n"
    "layout(binding = 1) uniform sampler2D depthBuffer;\n"
    "layout(r32f, binding = 0) writeonly uniform image2D level0;\n"
    "void main() {\n"
    "  ivec2 p = ivec2(gl_GlobalInvocationID.xy);\n"
    "  if (any(greaterThanEqual(p, imageSize(level0)))) return;\n"
    "  float d = all(lessThan(p, ivec2(OCCLUSION_SIZE))) ? texelFetch(depthBuffer, p, 0).r : 1.0;\n"
    "  imageStore(level0, p, vec4(d));\n"
    "}\n";

// Each texel the farthest of the four below it. Reads past the edge of a
// one-texel-high level give 0, which never wins a maximum.
const char *ReduceSource =
    "#version 430 core\n"
    "layout(local_size_x = 8, local_size_y = 8) in;\n"
    "layout(r32f, binding = 0) readonly uniform image2D finer;\n"
    "layout(r32f, binding = 1) writeonly uniform image2D coarser;\n"
    "void main() {\n"
    "  ivec2 p = ivec2(gl_GlobalInvocationID.xy);\n"
    "  if (any(greaterThanEqual(p, imageSize(coarser)))) return;\n"
    "  ivec2 q = 2 * p;\n"
    "  float d = max(max(imageLoad(finer, q).r, imageLoad(finer, q + ivec2(1, 0)).r),\n"
    "                max(imageLoad(finer, q + ivec2(0, 1)).r, imageLoad(finer, q + ivec2(1, 1)).r));\n"
    "  imageStore(coarser, p, vec4(d));\n"
    "}\n";

// Pixel columns follow the layer's mapping: x = (ndc.x + 1) * width / 2
// shifted right by the pixel-centre offset, rows y = (1 - ndc.y) * height / 2
// shifted down (pixel_grid.h).
const char *TestSource =
    "#version 430 core\n"
    "layout(local_size_x = 64) in;\n"
    "layout(std430, binding = 0) readonly buffer Worlds { mat4 worlds[]; };\n"
    "layout(std430, binding = 1) writeonly buffer Results { uint visible[]; };\n"
    "uniform mat4 viewProjection;\n"
    "layout(binding = 2) uniform sampler2D pyramid;\n"
    "uniform vec3 boundsMin;\nuniform vec3 boundsMax;\nuniform int treeCount;\nuniform int levelCount;\n"
    "const float DepthSlack = 2.0 / 65535.0;\n"
    "uint Test(mat4 m) {\n"
    "  vec2 lo = vec2(1e30), hi = vec2(-1e30);\n"
    "  float nearest = 1e30;\n"
    "  int beforeNear = 0, beyondFar = 0;\n"
    "  for (int c = 0; c < 8; ++c) {\n"
    "    vec3 p = vec3((c & 1) != 0 ? boundsMax.x : boundsMin.x, (c & 2) != 0 ? boundsMax.y : boundsMin.y,\n"
    "                  (c & 4) != 0 ? boundsMax.z : boundsMin.z);\n"
    "    vec4 clip = m * vec4(p, 1.0);\n"
    "    beforeNear += clip.z < 0.0 ? 1 : 0;\n"
    "    beyondFar += clip.z > clip.w ? 1 : 0;\n"
    "    if (clip.w <= 1e-6) { lo = vec2(-1e30); hi = vec2(1e30); nearest = -1.0; continue; }\n"
    "    vec3 ndc = clip.xyz / clip.w;\n"
    "    lo = min(lo, ndc.xy); hi = max(hi, ndc.xy);\n"
    "    nearest = min(nearest, ndc.z);\n"
    "  }\n"
    "  if (beforeNear == 8 || beyondFar == 8) return 0u;\n"
    "  vec2 halfSize = OCCLUSION_SIZE / 2.0;\n"
    "  float left = (lo.x + 1.0) * halfSize.x + PIXEL_SHIFT, right = (hi.x + 1.0) * halfSize.x + PIXEL_SHIFT;\n"
    "  float top = (1.0 - hi.y) * halfSize.y + PIXEL_SHIFT, bottom = (1.0 - lo.y) * halfSize.y + PIXEL_SHIFT;\n"
    "  if (right < -1.0 || bottom < -1.0 || left > OCCLUSION_SIZE.x + 1.0 || top > OCCLUSION_SIZE.y + 1.0) return 0u;\n"
    "  vec2 lastPixel = OCCLUSION_SIZE - 1.0;\n"
    "  ivec2 first = ivec2(clamp(floor(vec2(left, top)) - 1.0, vec2(0.0), lastPixel));\n"
    "  ivec2 last = ivec2(clamp(floor(vec2(right, bottom)) + 1.0, vec2(0.0), lastPixel));\n"
    "  int level = 0;\n"
    "  while (level + 1 < levelCount && any(greaterThan((last >> level) - (first >> level), ivec2(3)))) ++level;\n"
    "  float farthest = 0.0;\n"
    "  for (int y = first.y >> level; y <= last.y >> level; ++y)\n"
    "    for (int x = first.x >> level; x <= last.x >> level; ++x)\n"
    "      farthest = max(farthest, texelFetch(pyramid, ivec2(x, y), level).r);\n"
    "  return nearest - DepthSlack <= farthest ? 1u : 0u;\n"
    "}\n"
    "void main() {\n"
    "  uint i = gl_GlobalInvocationID.x;\n"
    "  if (i >= uint(treeCount)) return;\n"
    "  visible[i] = Test(viewProjection * worlds[i]);\n"
    "}\n";

GLuint Groups(int size, int local) { return (GLuint)((size + local - 1) / local); }

}  // namespace

bool CreateHizPyramid(HizPyramid &hiz, size_t trees, std::string &error) {
    hiz.copyProgram = LinkComputeProgram(CopySource, error);
    if (hiz.copyProgram) hiz.reduceProgram = LinkComputeProgram(ReduceSource, error);
    if (hiz.reduceProgram) hiz.testProgram = LinkComputeProgram(TestSource, error);
    if (!hiz.testProgram) return false;
    hiz.levels = 1;
    for (int w = PyramidWidth, h = PyramidHeight; w > 1 || h > 1; w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1)
        ++hiz.levels;
    glGenTextures(1, &hiz.pyramid);
    glBindTexture(GL_TEXTURE_2D, hiz.pyramid);
    glTexStorage2D(GL_TEXTURE_2D, hiz.levels, GL_R32F, PyramidWidth, PyramidHeight);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glGenBuffers(1, &hiz.results);
    glBindBuffer(GL_SHADER_STORAGE_BUFFER, hiz.results);
    glBufferData(GL_SHADER_STORAGE_BUFFER, trees * sizeof(uint32_t), nullptr, GL_DYNAMIC_READ);
    return glGetError() == GL_NO_ERROR;
}

void DestroyHizPyramid(HizPyramid &hiz) {
    glDeleteTextures(1, &hiz.pyramid);
    glDeleteProgram(hiz.copyProgram);
    glDeleteProgram(hiz.reduceProgram);
    glDeleteProgram(hiz.testProgram);
    glDeleteBuffers(1, &hiz.results);
    hiz = HizPyramid{};
}

std::vector<bool> HizPass(GlScene &scene, HizPyramid &hiz, const D3DXMATRIX &viewProjection, CullTimer &timer) {
    FillOcclusionTarget(scene, viewProjection);

    // Unit 1 holds the depth buffer, unit 2 the pyramid; unit 0 keeps the
    // scene's sampler objects, which would override the pyramid's levels.
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, scene.occlusionDepth);
    glUseProgram(hiz.copyProgram);
    glBindImageTexture(0, hiz.pyramid, 0, GL_FALSE, 0, GL_WRITE_ONLY, GL_R32F);
    glDispatchCompute(Groups(PyramidWidth, 8), Groups(PyramidHeight, 8), 1);
    glUseProgram(hiz.reduceProgram);
    for (int level = 1, w = PyramidWidth / 2, h = PyramidHeight / 2; level < hiz.levels;
         ++level, w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1) {
        glMemoryBarrier(GL_SHADER_IMAGE_ACCESS_BARRIER_BIT);
        glBindImageTexture(0, hiz.pyramid, level - 1, GL_FALSE, 0, GL_READ_ONLY, GL_R32F);
        glBindImageTexture(1, hiz.pyramid, level, GL_FALSE, 0, GL_WRITE_ONLY, GL_R32F);
        glDispatchCompute(Groups(w, 8), Groups(h, 8), 1);
    }

    size_t trees = scene.worlds.size();
    glBindBufferBase(GL_SHADER_STORAGE_BUFFER, WorldsBinding, scene.worldBuffer);
    glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 1, hiz.results);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, hiz.pyramid);
    glUseProgram(hiz.testProgram);
    glUniform3fv(glGetUniformLocation(hiz.testProgram, "boundsMin"), 1, scene.bounding.bounds.min);
    glUniform3fv(glGetUniformLocation(hiz.testProgram, "boundsMax"), 1, scene.bounding.bounds.max);
    glUniform1i(glGetUniformLocation(hiz.testProgram, "treeCount"), (GLint)trees);
    glUniformMatrix4fv(glGetUniformLocation(hiz.testProgram, "viewProjection"), 1, GL_FALSE, &viewProjection.m[0][0]);
    glUniform1i(glGetUniformLocation(hiz.testProgram, "levelCount"), hiz.levels);
    glMemoryBarrier(GL_TEXTURE_FETCH_BARRIER_BIT | GL_SHADER_STORAGE_BARRIER_BIT);
    glDispatchCompute(Groups((int)trees, 64), 1, 1);
    glMemoryBarrier(GL_BUFFER_UPDATE_BARRIER_BIT);

    std::vector<uint32_t> flags(trees);
    glBindBuffer(GL_SHADER_STORAGE_BUFFER, hiz.results);
    AwaitBuffer(timer, GL_SHADER_STORAGE_BUFFER, flags.size() * sizeof(uint32_t), flags.data());
    glActiveTexture(GL_TEXTURE0);
    return std::vector<bool>(flags.begin(), flags.end());
}

int HizPyramidWidth() { return PyramidWidth; }
int HizPyramidHeight() { return PyramidHeight; }
