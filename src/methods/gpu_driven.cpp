#include "methods/gpu_driven.h"

#include <algorithm>
#include <cstdint>

#include "methods/gl_program.h"
#include "methods/pixel_grid.h"

namespace {

struct IndirectCommand {
    GLuint count, instanceCount, firstIndex, baseVertex, baseInstance;
};
constexpr int MaxParts = 8;

// The buffers both phases use, and the frustum test on a tree's box.
const char *CullHeader =
    "layout(local_size_x = 64) in;\n"
    "layout(std430, binding = 0) readonly buffer Worlds { mat4 worlds[]; };\n"
    "layout(std430, binding = 1) buffer VisibleLast { uint visibleLast[]; };\n"
    "layout(std430, binding = 3) writeonly buffer Drawn { uint drawn[]; };\n"
    "layout(std430, binding = 4) writeonly buffer List { uint list[]; };\n"
    "layout(std430, binding = 5) buffer Counts { uint counts[2]; };\n"
    "uniform mat4 viewProjection;\n"
    "uniform int treeCount;\n"
    "uniform vec3 treeMin, treeMax;\n"
    "bool InFrustum(mat4 m) {\n"
    "  ivec4 below = ivec4(0), above = ivec4(0);\n"
    "  for (int c = 0; c < 8; ++c) {\n"
    "    vec4 p = m * vec4((c & 1) != 0 ? treeMax.x : treeMin.x, (c & 2) != 0 ? treeMax.y : treeMin.y,\n"
    "                      (c & 4) != 0 ? treeMax.z : treeMin.z, 1.0);\n"
    "    below += ivec4(p.x < -p.w, p.y < -p.w, p.z < 0.0, 0);\n"
    "    above += ivec4(p.x > p.w, p.y > p.w, p.z > p.w, 0);\n"
    "  }\n"
    "  return all(lessThan(below.xyz, ivec3(8))) && all(lessThan(above.xyz, ivec3(8)));\n"
    "}\n"
    "bool DrawnFirst(uint i) { return visibleLast[i] != 0u && InFrustum(viewProjection * worlds[i]); }\n";

// Phase 1: last frame's visible trees still in view.
const char *FirstPhaseMain =
    "void main() {\n"
    "  uint i = gl_GlobalInvocationID.x;\n"
    "  if (i >= uint(treeCount)) return;\n"
    "  bool first = DrawnFirst(i);\n"
    "  drawn[i] = first ? 1u : 0u;\n"
    "  if (first) list[atomicAdd(counts[0], 1u)] = i;\n"
    "}\n";

// Phase 2: every tree against the pyramid of phase 1's depth; the visible
// ones not drawn yet are listed, and the result kept for the next frame.
const char *SecondPhaseMain =
    "void main() {\n"
    "  uint i = gl_GlobalInvocationID.x;\n"
    "  if (i >= uint(treeCount)) return;\n"
    "  bool first = DrawnFirst(i);\n"
    "  bool visible = BoxAgainstPyramid(viewProjection * worlds[i]);\n"
    "  visibleLast[i] = visible ? 1u : 0u;\n"
    "  if (visible && !first) {\n"
    "    drawn[i] = 1u;\n"
    "    list[atomicAdd(counts[1], 1u)] = i;\n"
    "  }\n"
    "}\n";

// One indirect command per part of the tree's mesh, its instance count the
// phase's count.
const char *CommandSource =
    "#version 430 core\n"
    "layout(local_size_x = 1) in;\n"
    "struct Command { uint count, instanceCount, firstIndex, baseVertex, baseInstance; };\n"
    "layout(std430, binding = 5) readonly buffer Counts { uint counts[2]; };\n"
    "layout(std430, binding = 6) writeonly buffer Commands { Command commands[]; };\n"
    "uniform int phase;\nuniform int parts;\n"
    "uniform uint partCount[8];\nuniform uint partFirst[8];\n"
    "void main() {\n"
    "  for (int k = 0; k < parts; ++k)\n"
    "    commands[k] = Command(partCount[k], counts[phase], partFirst[k], 0u, 0u);\n"
    "}\n";

GLuint MakeBuffer(GLenum target, size_t bytes, GLenum usage) {
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(target, buffer);
    glBufferData(target, (GLsizeiptr)bytes, nullptr, usage);
    return buffer;
}

void ClearBuffer(GLuint buffer) {
    glBindBuffer(GL_SHADER_STORAGE_BUFFER, buffer);
    glClearBufferData(GL_SHADER_STORAGE_BUFFER, GL_R32UI, GL_RED_INTEGER, GL_UNSIGNED_INT, nullptr);
}

// A phase's culling: the program over every tree, then its commands.
void RunPhase(GlScene &scene, GpuDriven &gpu, int phase, GLuint program, const D3DXMATRIX &viewProjection) {
    size_t trees = scene.worlds.size();
    glUseProgram(program);
    scene.current = nullptr;
    glBindBufferBase(GL_SHADER_STORAGE_BUFFER, WorldsBinding, scene.worldBuffer);
    glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 1, gpu.visibleLast);
    glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 3, gpu.drawn);
    glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 4, gpu.lists[phase]);
    glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 5, gpu.counts);
    glUniformMatrix4fv(glGetUniformLocation(program, "viewProjection"), 1, GL_FALSE, &viewProjection.m[0][0]);
    glUniform1i(glGetUniformLocation(program, "treeCount"), (GLint)trees);
    glUniform3fv(glGetUniformLocation(program, "treeMin"), 1, scene.tree.bounds.min);
    glUniform3fv(glGetUniformLocation(program, "treeMax"), 1, scene.tree.bounds.max);
    if (phase == 1) BindPyramidForTest(gpu.pyramid, program, scene.tree.bounds);
    glDispatchCompute((GLuint)((trees + 63) / 64), 1, 1);
    glMemoryBarrier(GL_SHADER_STORAGE_BARRIER_BIT);

    const std::vector<GlMeshPart> &parts = scene.tree.parts;
    GLuint counts[MaxParts] = {}, firsts[MaxParts] = {};
    for (size_t k = 0; k < parts.size() && k < MaxParts; ++k)
        counts[k] = (GLuint)parts[k].indexCount, firsts[k] = (GLuint)parts[k].firstIndex;
    glUseProgram(gpu.commandProgram);
    glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 6, gpu.commands[phase]);
    glUniform1i(glGetUniformLocation(gpu.commandProgram, "phase"), phase);
    glUniform1i(glGetUniformLocation(gpu.commandProgram, "parts"), (GLint)std::min<size_t>(parts.size(), MaxParts));
    glUniform1uiv(glGetUniformLocation(gpu.commandProgram, "partCount"), MaxParts, counts);
    glUniform1uiv(glGetUniformLocation(gpu.commandProgram, "partFirst"), MaxParts, firsts);
    glDispatchCompute(1, 1, 1);
    glMemoryBarrier(GL_COMMAND_BARRIER_BIT | GL_VERTEX_ATTRIB_ARRAY_BARRIER_BIT);
}

// The last frame's count of trees drawn, once its copy has executed: never
// waits.
void ReadCountsOfLastFrame(GpuDriven &gpu) {
    if (!gpu.countsFence || glClientWaitSync(gpu.countsFence, 0, 0) == GL_TIMEOUT_EXPIRED) return;
    GLuint counts[2] = {};
    glBindBuffer(GL_COPY_READ_BUFFER, gpu.countsLastFrame);
    glGetBufferSubData(GL_COPY_READ_BUFFER, 0, sizeof counts, counts);
    gpu.drawnLastFrame = (int)(counts[0] + counts[1]);
    glDeleteSync(gpu.countsFence);
    gpu.countsFence = nullptr;
}

}  // namespace

bool CreateGpuDriven(GpuDriven &gpu, const GlScene &scene, std::string &error) {
    if (!CreateDepthPyramid(gpu.pyramid, MainTargetWidth, MainTargetHeight, error)) return false;
    std::string first = std::string("#version 430 core\n") + CullHeader + FirstPhaseMain;
    std::string second = std::string("#version 430 core\n") + PyramidTestSource() + CullHeader + SecondPhaseMain;
    gpu.firstPhaseProgram = LinkComputeProgram(first.c_str(), error);
    if (gpu.firstPhaseProgram) gpu.secondPhaseProgram = LinkComputeProgram(second.c_str(), error);
    if (gpu.secondPhaseProgram) gpu.commandProgram = LinkComputeProgram(CommandSource, error);
    if (!gpu.commandProgram) return false;
    if (scene.tree.parts.size() > MaxParts) {
        error = "the tree's mesh has more parts than the GPU-driven method draws";
        return false;
    }
    size_t perTree = std::max<size_t>(scene.worlds.size(), 1) * sizeof(uint32_t);
    gpu.visibleLast = MakeBuffer(GL_SHADER_STORAGE_BUFFER, perTree, GL_DYNAMIC_COPY);
    gpu.drawn = MakeBuffer(GL_SHADER_STORAGE_BUFFER, perTree, GL_DYNAMIC_READ);
    for (int phase = 0; phase < 2; ++phase) {
        gpu.lists[phase] = MakeBuffer(GL_SHADER_STORAGE_BUFFER, perTree, GL_DYNAMIC_COPY);
        gpu.commands[phase] = MakeBuffer(GL_SHADER_STORAGE_BUFFER, MaxParts * sizeof(IndirectCommand), GL_DYNAMIC_COPY);
    }
    gpu.counts = MakeBuffer(GL_SHADER_STORAGE_BUFFER, 2 * sizeof(GLuint), GL_DYNAMIC_COPY);
    gpu.countsLastFrame = MakeBuffer(GL_COPY_WRITE_BUFFER, 2 * sizeof(GLuint), GL_DYNAMIC_READ);
    RestartGpuDriven(gpu);
    return glGetError() == GL_NO_ERROR;
}

void DestroyGpuDriven(GpuDriven &gpu) {
    DestroyDepthPyramid(gpu.pyramid);
    for (GLuint program : {gpu.firstPhaseProgram, gpu.secondPhaseProgram, gpu.commandProgram}) glDeleteProgram(program);
    const GLuint buffers[] = {gpu.visibleLast, gpu.drawn, gpu.lists[0], gpu.lists[1], gpu.counts,
                              gpu.commands[0], gpu.commands[1], gpu.countsLastFrame};
    glDeleteBuffers(8, buffers);
    if (gpu.countsFence) glDeleteSync(gpu.countsFence);
    gpu = GpuDriven{};
}

void RestartGpuDriven(GpuDriven &gpu) {
    if (gpu.visibleLast) ClearBuffer(gpu.visibleLast);
}

void GpuDrivenFrame(GlScene &scene, GpuDriven &gpu, const D3DXMATRIX &viewProjection, CullTimer &timer) {
    ReadCountsOfLastFrame(gpu);
    ClearBuffer(gpu.counts);
    RunPhase(scene, gpu, 0, gpu.firstPhaseProgram, viewProjection);
    EndCulling(timer);
    BeginMainTarget(scene, viewProjection);
    DrawTreesIndirect(scene, viewProjection, gpu.lists[0], gpu.commands[0]);
    BeginCulling(timer);
    BuildDepthPyramid(gpu.pyramid, scene.mainDepth);
    RunPhase(scene, gpu, 1, gpu.secondPhaseProgram, viewProjection);
    if (!gpu.countsFence) {  // one copy in flight at a time
        glBindBuffer(GL_COPY_READ_BUFFER, gpu.counts);
        glBindBuffer(GL_COPY_WRITE_BUFFER, gpu.countsLastFrame);
        glCopyBufferSubData(GL_COPY_READ_BUFFER, GL_COPY_WRITE_BUFFER, 0, 0, 2 * sizeof(GLuint));
        gpu.countsFence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    }
    EndCulling(timer);
    BindMainTarget(scene);
    DrawTreesIndirect(scene, viewProjection, gpu.lists[1], gpu.commands[1]);
    EndMainTarget();
    BeginCulling(timer);
}

std::vector<bool> ReadGpuDrivenDrawn(const GpuDriven &gpu, size_t trees) {
    std::vector<uint32_t> drawn(trees);
    glBindBuffer(GL_SHADER_STORAGE_BUFFER, gpu.drawn);
    glGetBufferSubData(GL_SHADER_STORAGE_BUFFER, 0, trees * sizeof(uint32_t), drawn.data());
    return std::vector<bool>(drawn.begin(), drawn.end());
}
