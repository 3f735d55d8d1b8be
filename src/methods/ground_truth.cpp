#include "methods/ground_truth.h"

#include <algorithm>

#include "methods/pixel_grid.h"

namespace {

const char *IdFragmentSource =
    "#version 430 core\n"
    "flat in uint vTree;\n"
    "layout(location = 0) out uint id;\n"
    "void main() { id = vTree; }\n";

// The sky or the terrain, at the origin as the main scene draws them.
void DrawAtOrigin(const GroundTruth &truth, const GlMesh &mesh, const D3DXMATRIX &viewProjection) {
    glUniformMatrix4fv(truth.program.worldViewProjectionUniform, 1, GL_FALSE, &viewProjection.m[0][0]);
    glUniform1i(truth.program.instancedUniform, 0);
    DrawMeshInstances(mesh, truth.list, 0, 1);
}

}  // namespace

bool CreateGroundTruth(GroundTruth &truth, int width, int height, std::string &error) {
    truth.width = width;
    truth.height = height;
    truth.program.program = LinkSceneProgram(IdFragmentSource, error);
    if (!truth.program.program) return false;
    FindSceneUniforms(truth.program);
    glGenBuffers(1, &truth.list);
    glGenTextures(1, &truth.ids);
    glBindTexture(GL_TEXTURE_2D, truth.ids);
    glTexStorage2D(GL_TEXTURE_2D, 1, GL_R32UI, width, height);
    glGenRenderbuffers(1, &truth.depth);
    glBindRenderbuffer(GL_RENDERBUFFER, truth.depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);
    glGenFramebuffers(1, &truth.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, truth.framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, truth.ids, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, truth.depth);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        error = "the object-id target is incomplete";
        return false;
    }
    return true;
}

void DestroyGroundTruth(GroundTruth &truth) {
    glDeleteFramebuffers(1, &truth.framebuffer);
    glDeleteTextures(1, &truth.ids);
    glDeleteRenderbuffers(1, &truth.depth);
    glDeleteBuffers(1, &truth.list);
    glDeleteProgram(truth.program.program);
    truth = GroundTruth{};
}

std::vector<int> GroundTruthPixels(GlScene &scene, GroundTruth &truth, const D3DXMATRIX &viewProjection) {
    glBindFramebuffer(GL_FRAMEBUFFER, truth.framebuffer);
    glViewport(0, 0, truth.width, truth.height);
    const GLuint none[4] = {0, 0, 0, 0};
    const GLfloat far = 1.0f;
    glClearBufferuiv(GL_COLOR, 0, none);
    glClearBufferfv(GL_DEPTH, 0, &far);
    glUseProgram(truth.program.program);
    scene.current = nullptr;  // the scene's next draw sets its own program again
    // The same pixel-centre shift as the main scene's target of this size.
    float offset[2];
    PixelShiftOffset(truth.width, truth.height, offset);
    glUniform2fv(truth.program.offsetUniform, 1, offset);
    glUniformMatrix4fv(truth.program.viewProjectionUniform, 1, GL_FALSE, &viewProjection.m[0][0]);

    std::vector<uint32_t> inView;
    for (size_t i = 0; i < scene.worlds.size(); ++i)
        if (!BoxOutsideFrustum(scene.tree.bounds, scene.worlds[i] * viewProjection)) inView.push_back((uint32_t)i);
    glBindBuffer(GL_ARRAY_BUFFER, truth.list);
    glBufferData(GL_ARRAY_BUFFER, std::max<size_t>(inView.size(), 1) * sizeof(uint32_t), inView.data(),
                 GL_STREAM_DRAW);
    DrawAtOrigin(truth, scene.skybox, viewProjection);
    DrawAtOrigin(truth, scene.terrain, viewProjection);
    glUniform1i(truth.program.instancedUniform, 1);
    DrawMeshInstances(scene.tree, truth.list, 0, (GLsizei)inView.size());

    // Rows come back bottom first, which the vertex stage's y flip makes the
    // top of the picture.
    truth.pixels.resize((size_t)truth.width * truth.height);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, truth.width, truth.height, GL_RED_INTEGER, GL_UNSIGNED_INT, truth.pixels.data());
    std::vector<int> counts(scene.worlds.size(), 0);
    for (uint32_t id : truth.pixels)
        if (id > 0 && id <= counts.size()) ++counts[id - 1];
    return counts;
}
