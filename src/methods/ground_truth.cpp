#include "methods/ground_truth.h"

#include "methods/pixel_grid.h"

namespace {

const char *IdFragmentSource =
    "#version 430 core\n"
    "uniform uint objectId;\n"
    "layout(location = 0) out uint id;\n"
    "void main() { id = objectId; }\n";

void DrawIds(const GroundTruth &truth, const GlMesh &mesh, const D3DXMATRIX &world, const D3DXMATRIX &viewProjection,
             unsigned id) {
    D3DXMATRIX m = world * viewProjection;
    glUniformMatrix4fv(truth.matrixUniform, 1, GL_FALSE, &m.m[0][0]);
    glUniform1ui(truth.idUniform, id);
    DrawMeshParts(mesh);
}

}  // namespace

bool CreateGroundTruth(GroundTruth &truth, int width, int height, std::string &error) {
    truth.width = width;
    truth.height = height;
    truth.program = LinkSceneProgram(IdFragmentSource, error);
    if (!truth.program) return false;
    truth.matrixUniform = glGetUniformLocation(truth.program, "worldViewProjection");
    truth.offsetUniform = glGetUniformLocation(truth.program, "pixelOffset");
    truth.idUniform = glGetUniformLocation(truth.program, "objectId");
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
    glDeleteProgram(truth.program);
    truth = GroundTruth{};
}

std::vector<int> GroundTruthPixels(GlScene &scene, GroundTruth &truth, const D3DXMATRIX &viewProjection) {
    glBindFramebuffer(GL_FRAMEBUFFER, truth.framebuffer);
    glViewport(0, 0, truth.width, truth.height);
    const GLuint none[4] = {0, 0, 0, 0};
    const GLfloat far = 1.0f;
    glClearBufferuiv(GL_COLOR, 0, none);
    glClearBufferfv(GL_DEPTH, 0, &far);
    glUseProgram(truth.program);
    // The same pixel-centre shift as the main scene's target of this size.
    float offset[2];
    PixelShiftOffset(truth.width, truth.height, offset);
    glUniform2fv(truth.offsetUniform, 1, offset);
    scene.current = nullptr;  // the scene's next draw sets its own program again

    D3DXMATRIX origin;
    D3DXMatrixIdentity(&origin);
    DrawIds(truth, scene.skybox, origin, viewProjection, 0);
    DrawIds(truth, scene.terrain, origin, viewProjection, 0);
    for (size_t i = 0; i < scene.worlds.size(); ++i) DrawIds(truth, scene.tree, scene.worlds[i], viewProjection, (unsigned)i + 1);

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
