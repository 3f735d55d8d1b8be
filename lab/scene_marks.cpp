#include "lab/scene_marks.h"

#include "methods/pixel_grid.h"

namespace {

// The scene's own vertex stage (its matrix, half-pixel shift and y flip)
// with the vertex colour alone, so a mark covers the scene's own pixels.
const char *FragmentSource =
    "#version 430 core\n"
    "in vec4 vColour;\nin vec2 vTexcoord;\nout vec4 fragColour;\n"
    "void main() { fragColour = vColour; }\n";
constexpr GLuint PositionAttribute = 0, ColourAttribute = 2;  // the scene's vertex layout

uint32_t Rgba(uint32_t rgb, uint8_t alpha) {
    return ((rgb >> 16) & 0xff) | (rgb & 0xff00) | ((rgb & 0xff) << 16) | ((uint32_t)alpha << 24);
}

// Corner c of a box: bit 0 picks x's end, bit 1 y's, bit 2 z's.
void AddCorners(SceneMarks &marks, const D3DXVECTOR3 corners[8], uint32_t colour, bool solid) {
    uint32_t line = Rgba(colour, 255), fill = Rgba(colour, 200);
    for (int c = 0; c < 8; ++c)
        for (int bit = 1; bit < 8; bit <<= 1)
            if (!(c & bit)) {
                marks.lines.push_back({{corners[c].x, corners[c].y, corners[c].z}, line});
                int d = c | bit;
                marks.lines.push_back({{corners[d].x, corners[d].y, corners[d].z}, line});
            }
    if (!solid) return;
    for (int axis = 1; axis < 8; axis <<= 1) {
        int u = axis == 1 ? 2 : 1, v = axis == 4 ? 2 : 4;
        for (int side : {0, axis}) {
            int quad[6] = {side, side | u, side | u | v, side, side | u | v, side | v};
            for (int k : quad) marks.triangles.push_back({{corners[k].x, corners[k].y, corners[k].z}, fill});
        }
    }
}

void DrawList(const std::vector<MarkVertex> &vertices, GLenum mode) {
    if (vertices.empty()) return;
    glBufferData(GL_ARRAY_BUFFER, vertices.size() * sizeof(MarkVertex), vertices.data(), GL_STREAM_DRAW);
    glDrawArrays(mode, 0, (GLsizei)vertices.size());
}

}  // namespace

bool CreateSceneMarks(SceneMarks &marks, std::string &error) {
    marks.program.program = LinkSceneProgram(FragmentSource, error);
    if (!marks.program.program) return false;
    FindSceneUniforms(marks.program);
    glGenVertexArrays(1, &marks.vertexArray);
    glBindVertexArray(marks.vertexArray);
    glGenBuffers(1, &marks.buffer);
    glBindBuffer(GL_ARRAY_BUFFER, marks.buffer);
    glEnableVertexAttribArray(PositionAttribute);
    glVertexAttribPointer(PositionAttribute, 3, GL_FLOAT, GL_FALSE, sizeof(MarkVertex), (void *)offsetof(MarkVertex, position));
    glEnableVertexAttribArray(ColourAttribute);
    glVertexAttribPointer(ColourAttribute, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(MarkVertex),
                          (void *)offsetof(MarkVertex, colour));
    return true;
}

void DestroySceneMarks(SceneMarks &marks) {
    glDeleteProgram(marks.program.program);
    glDeleteVertexArrays(1, &marks.vertexArray);
    glDeleteBuffers(1, &marks.buffer);
    marks = SceneMarks();
}

void AddBox(SceneMarks &marks, const GlMesh &mesh, const D3DXMATRIX &world, uint32_t colour, bool solid) {
    D3DXVECTOR3 corners[8];
    for (int c = 0; c < 8; ++c) {
        D3DXVECTOR3 local = BoxCorner(mesh.bounds, c);
        D3DXVec3TransformCoord(&corners[c], &local, &world);
    }
    AddCorners(marks, corners, colour, solid);
}

void AddFrustum(SceneMarks &marks, const D3DXMATRIX &viewProjection, uint32_t colour) {
    D3DXMATRIX inverse;
    if (!D3DXMatrixInverse(&inverse, nullptr, &viewProjection)) return;
    D3DXVECTOR3 corners[8];
    for (int c = 0; c < 8; ++c) {
        D3DXVECTOR3 clip((c & 1) ? 1.0f : -1.0f, (c & 2) ? 1.0f : -1.0f, (c & 4) ? 1.0f : 0.0f);
        D3DXVec3TransformCoord(&corners[c], &clip, &inverse);
    }
    AddCorners(marks, corners, colour, false);
}

void AddTreeMarks(SceneMarks &marks, const GlScene &scene, const std::vector<TreeState> &states, bool frozen) {
    for (size_t i = 0; i < states.size() && i < scene.worlds.size(); ++i) {
        if (states[i] == TreeState::Missed) AddBox(marks, scene.tree, scene.worlds[i], MissedColour, true);
        else if (!frozen) continue;
        else if (states[i] == TreeState::Culled) AddBox(marks, scene.tree, scene.worlds[i], CulledColour, false);
        else if (states[i] == TreeState::Wasted) AddBox(marks, scene.tree, scene.worlds[i], WastedColour, false);
    }
}

void DrawSceneMarks(SceneMarks &marks, GlScene &scene, const D3DXMATRIX &viewProjection) {
    GLint width = 0, height = 0;
    glBindTexture(GL_TEXTURE_2D, scene.mainColour);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    glBindFramebuffer(GL_FRAMEBUFFER, scene.mainFramebuffer);
    glViewport(0, 0, width, height);
    glUseProgram(marks.program.program);
    scene.current = nullptr;  // the scene binds its own program again on its next draw
    float offset[2];
    PixelShiftOffset(width, height, offset);
    glUniform2fv(marks.program.offsetUniform, 1, offset);
    glUniformMatrix4fv(marks.program.viewProjectionUniform, 1, GL_FALSE, &viewProjection.m[0][0]);
    glUniformMatrix4fv(marks.program.worldViewProjectionUniform, 1, GL_FALSE, &viewProjection.m[0][0]);
    glUniform1i(marks.program.instancedUniform, 0);
    glBindVertexArray(marks.vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, marks.buffer);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // A wrongly culled tree's box is filled where the tree would show; the
    // outlines show through everything, since a culled tree is mostly hidden
    // behind the very trees that hid it from the culling camera.
    glDepthMask(GL_FALSE);
    DrawList(marks.triangles, GL_TRIANGLES);
    glDisable(GL_DEPTH_TEST);
    DrawList(marks.lines, GL_LINES);
    // Back to the states the scene's passes expect.
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    marks.lines.clear();
    marks.triangles.clear();
}
