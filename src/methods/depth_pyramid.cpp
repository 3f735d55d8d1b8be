#include "methods/depth_pyramid.h"

#include "methods/gl_program.h"

namespace {

int PowerOfTwoAtMost(int n) { return n <= 1 ? 1 : 2 * PowerOfTwoAtMost(n / 2); }

GLuint Groups(int size, int local) { return (GLuint)((size + local - 1) / local); }

// Level 0: each texel the farthest depth of the source pixels it stands
// for, those p with floor(p * size / sourceSize) on it.
const char *CopySource =
    "#version 430 core\n"
    "layout(local_size_x = 8, local_size_y = 8) in;\n"
    "layout(binding = 1) uniform sampler2D depthBuffer;\n"
    "layout(r32f, binding = 0) writeonly uniform image2D level0;\n"
    "uniform ivec2 sourceSize;\n"
    "void main() {\n"
    "  ivec2 t = ivec2(gl_GlobalInvocationID.xy), size = imageSize(level0);\n"
    "  if (any(greaterThanEqual(t, size))) return;\n"
    "  ivec2 first = (t * sourceSize + size - 1) / size, end = ((t + 1) * sourceSize + size - 1) / size;\n"
    "  float d = 0.0;\n"
    "  for (int y = first.y; y < end.y; ++y)\n"
    "    for (int x = first.x; x < end.x; ++x) d = max(d, texelFetch(depthBuffer, ivec2(x, y), 0).r);\n"
    "  imageStore(level0, t, vec4(d));\n"
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
const char *TestFunction =
    "layout(binding = 2) uniform sampler2D pyramid;\n"
    "uniform vec3 boundsMin;\nuniform vec3 boundsMax;\nuniform int pyramidLevels;\nuniform vec2 sourceSize;\n"
    "uniform ivec2 pyramidSize;\n"
    "const float DepthSlack = 2.0 / 65535.0;\n"
    "bool BoxAgainstPyramid(mat4 m) {\n"
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
    "  if (beforeNear == 8 || beyondFar == 8) return false;\n"
    "  vec2 halfSize = sourceSize / 2.0;\n"
    "  float left = (lo.x + 1.0) * halfSize.x + PIXEL_SHIFT, right = (hi.x + 1.0) * halfSize.x + PIXEL_SHIFT;\n"
    "  float top = (1.0 - hi.y) * halfSize.y + PIXEL_SHIFT, bottom = (1.0 - lo.y) * halfSize.y + PIXEL_SHIFT;\n"
    "  if (right < -1.0 || bottom < -1.0 || left > sourceSize.x + 1.0 || top > sourceSize.y + 1.0) return false;\n"
    "  vec2 lastPixel = sourceSize - 1.0;\n"
    "  ivec2 first = ivec2(clamp(floor(vec2(left, top)) - 1.0, vec2(0.0), lastPixel));\n"
    "  ivec2 last = ivec2(clamp(floor(vec2(right, bottom)) + 1.0, vec2(0.0), lastPixel));\n"
    "  first = (first * pyramidSize) / ivec2(sourceSize);\n"
    "  last = (last * pyramidSize) / ivec2(sourceSize);\n"
    "  int level = 0;\n"
    "  while (level + 1 < pyramidLevels && any(greaterThan((last >> level) - (first >> level), ivec2(1)))) ++level;\n"
    "  float farthest = 0.0;\n"
    "  for (int y = first.y >> level; y <= last.y >> level; ++y)\n"
    "    for (int x = first.x >> level; x <= last.x >> level; ++x)\n"
    "      farthest = max(farthest, texelFetch(pyramid, ivec2(x, y), level).r);\n"
    "  return nearest - DepthSlack <= farthest;\n"
    "}\n";

}  // namespace

bool CreateDepthPyramid(DepthPyramid &pyramid, int sourceWidth, int sourceHeight, std::string &error) {
    pyramid.copyProgram = LinkComputeProgram(CopySource, error);
    if (pyramid.copyProgram) pyramid.reduceProgram = LinkComputeProgram(ReduceSource, error);
    if (!pyramid.reduceProgram) return false;
    pyramid.sourceWidth = sourceWidth;
    pyramid.sourceHeight = sourceHeight;
    pyramid.width = PowerOfTwoAtMost(sourceWidth);
    pyramid.height = PowerOfTwoAtMost(sourceHeight);
    pyramid.levels = 1;
    for (int w = pyramid.width, h = pyramid.height; w > 1 || h > 1; w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1)
        ++pyramid.levels;
    glGenTextures(1, &pyramid.texture);
    glBindTexture(GL_TEXTURE_2D, pyramid.texture);
    glTexStorage2D(GL_TEXTURE_2D, pyramid.levels, GL_R32F, pyramid.width, pyramid.height);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return glGetError() == GL_NO_ERROR;
}

void DestroyDepthPyramid(DepthPyramid &pyramid) {
    glDeleteTextures(1, &pyramid.texture);
    glDeleteProgram(pyramid.copyProgram);
    glDeleteProgram(pyramid.reduceProgram);
    pyramid = DepthPyramid{};
}

// Unit 1 holds the depth buffer; unit 0 keeps the scene's sampler objects,
// which would override the pyramid's levels.
void BuildDepthPyramid(DepthPyramid &pyramid, GLuint depthTexture) {
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, depthTexture);
    glUseProgram(pyramid.copyProgram);
    glUniform2i(glGetUniformLocation(pyramid.copyProgram, "sourceSize"), pyramid.sourceWidth, pyramid.sourceHeight);
    glBindImageTexture(0, pyramid.texture, 0, GL_FALSE, 0, GL_WRITE_ONLY, GL_R32F);
    glDispatchCompute(Groups(pyramid.width, 8), Groups(pyramid.height, 8), 1);
    glUseProgram(pyramid.reduceProgram);
    for (int level = 1, w = pyramid.width / 2, h = pyramid.height / 2; level < pyramid.levels;
         ++level, w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1) {
        glMemoryBarrier(GL_SHADER_IMAGE_ACCESS_BARRIER_BIT);
        glBindImageTexture(0, pyramid.texture, level - 1, GL_FALSE, 0, GL_READ_ONLY, GL_R32F);
        glBindImageTexture(1, pyramid.texture, level, GL_FALSE, 0, GL_WRITE_ONLY, GL_R32F);
        glDispatchCompute(Groups(w, 8), Groups(h, 8), 1);
    }
    glMemoryBarrier(GL_TEXTURE_FETCH_BARRIER_BIT);
    glActiveTexture(GL_TEXTURE0);
}

const char *PyramidTestSource() { return TestFunction; }

void BindPyramidForTest(const DepthPyramid &pyramid, GLuint program, const Box &bounds) {
    glActiveTexture(GL_TEXTURE0 + PyramidTextureUnit);
    glBindTexture(GL_TEXTURE_2D, pyramid.texture);
    glActiveTexture(GL_TEXTURE0);
    glUniform3fv(glGetUniformLocation(program, "boundsMin"), 1, bounds.min);
    glUniform3fv(glGetUniformLocation(program, "boundsMax"), 1, bounds.max);
    glUniform1i(glGetUniformLocation(program, "pyramidLevels"), pyramid.levels);
    glUniform2f(glGetUniformLocation(program, "sourceSize"), (float)pyramid.sourceWidth, (float)pyramid.sourceHeight);
    glUniform2i(glGetUniformLocation(program, "pyramidSize"), pyramid.width, pyramid.height);
}
