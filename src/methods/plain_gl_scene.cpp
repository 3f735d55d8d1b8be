#include "methods/plain_gl_scene.h"

#include <stb_image.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "methods/gl_program.h"
#include "methods/pixel_grid.h"
#include "xfile_reader.h"

namespace {

// Trees are drawn instanced: each instance's tree number (attribute 4,
// from a list of the trees to draw) picks its world from the forest's
// buffer. The sky and the terrain, and meshes placed one by one, take the
// `worldViewProjection` uniform, the product made on the CPU as the
// program's device makes it, so that its frame drawn one tree a draw is the
// same picture to the pixel. The tree number goes on to the fragment stage
// (0 for a mesh that is no tree), for the truth's object ids.
const char *VertexSource =
    "#version 430 core\n"
    "layout(location = 0) in vec3 position;\n"
    "layout(location = 2) in vec4 colour;\n"
    "layout(location = 3) in vec2 texcoord;\n"
    "layout(location = 4) in uint tree;\n"
    "layout(std430, binding = 0) readonly buffer Worlds { mat4 worlds[]; };\n"
    "uniform mat4 viewProjection;\n"
    "uniform mat4 worldViewProjection;\n"
    "uniform bool instanced;\n"
    "uniform vec2 pixelOffset;\n"
    "out vec4 vColour;\nout vec2 vTexcoord;\nflat out uint vTree;\n"
    "void main() {\n"
    "  gl_Position = instanced ? viewProjection * (worlds[tree] * vec4(position, 1.0))\n"
    "                          : worldViewProjection * vec4(position, 1.0);\n"
    "  gl_Position.xy += pixelOffset * gl_Position.w;\n"
    "  gl_Position.y = -gl_Position.y;\n"
    "  vColour = colour;\n  vTexcoord = texcoord;\n"
    "  vTree = instanced ? tree + 1u : 0u;\n"
    "}\n";
// The same stage for meshes placed one by one only, as the layer's own:
// without the instanced path, which a software driver would otherwise run
// beside it for every vertex.
const char *PlacedVertexSource =
    "#version 430 core\n"
    "layout(location = 0) in vec3 position;\n"
    "layout(location = 2) in vec4 colour;\n"
    "layout(location = 3) in vec2 texcoord;\n"
    "uniform mat4 worldViewProjection;\n"
    "uniform vec2 pixelOffset;\n"
    "out vec4 vColour;\nout vec2 vTexcoord;\nflat out uint vTree;\n"
    "void main() {\n"
    "  gl_Position = worldViewProjection * vec4(position, 1.0);\n"
    "  gl_Position.xy += pixelOffset * gl_Position.w;\n"
    "  gl_Position.y = -gl_Position.y;\n"
    "  vColour = colour;\n  vTexcoord = texcoord;\n"
    "  vTree = 0u;\n"
    "}\n";
// Texture stage 0 modulates texture and diffuse, colour and alpha alike;
// with no texture bound the stage passes the diffuse colour through. One
// program for each, as the layer builds one per combination of states.
const char *TexturedFragmentSource =
    "#version 430 core\n"
    "in vec4 vColour;\nin vec2 vTexcoord;\n"
    "uniform sampler2D image;\n"
    "out vec4 fragColour;\n"
    "void main() { fragColour = clamp(texture(image, vTexcoord) * vColour, 0.0, 1.0); }\n";
const char *UntexturedFragmentSource =
    "#version 430 core\n"
    "in vec4 vColour;\nin vec2 vTexcoord;\n"
    "out vec4 fragColour;\n"
    "void main() { fragColour = vColour; }\n";

GLuint CompileProgram(const char *vertexSource, const char *fragmentSource, std::string &error) {
    const unsigned stages[2] = {GL_VERTEX_SHADER, GL_FRAGMENT_SHADER};
    const char *sources[2] = {vertexSource, fragmentSource};
    return LinkProgram(stages, sources, 2, error);
}

GLuint LoadTexture(const std::string &path, std::string &error) {
    std::vector<unsigned char> file;
    if (!ReadWholeFile(path.c_str(), file, error)) return 0;
    int width = 0, height = 0, channels = 0;
    unsigned char *rgba = stbi_load_from_memory(file.data(), (int)file.size(), &width, &height, &channels, 4);
    if (!rgba) {
        error = path + ": cannot be decoded (" + stbi_failure_reason() + ")";
        return 0;
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    // The program's samplers have no mip filter: only the top level is read.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    stbi_image_free(rgba);
    return texture;
}

// The mesh as the layer puts it on the device: triangles grouped by
// material in file order, 16-bit indices when they fit.
bool LoadMesh(const std::string &path, GlMesh &mesh, std::string &error) {
    std::vector<unsigned char> file;
    XFileMesh data;
    XFileFault fault;
    if (!ReadWholeFile(path.c_str(), file, error)) return false;
    if (!ParseXFile(file.data(), file.size(), data, error, fault)) {
        error = path + ": " + error;
        return false;
    }
    std::vector<GlVertex> vertices;
    for (const XFileVertex &v : data.vertices) {
        GlVertex out = {{v.position[0], v.position[1], v.position[2]}, {255, 255, 255, 255}, {v.texcoord[0], v.texcoord[1]}};
        if (data.hasColors)
            for (int c = 0; c < 4; ++c) out.colour[c] = (unsigned char)(std::clamp(v.color[c], 0.0f, 1.0f) * 255.0f + 0.5f);
        vertices.push_back(out);
    }
    XFileGroups groups = GroupTrianglesByMaterial(data);
    std::vector<GlMeshPart> parts(groups.triangleCount.size());
    for (size_t m = 0; m < parts.size(); ++m) {
        parts[m].firstIndex = (GLsizei)groups.firstTriangle[m] * 3;
        parts[m].indexCount = (GLsizei)groups.triangleCount[m] * 3;
        if (m < data.materials.size() && !data.materials[m].textureFilename.empty()) {
            std::string directory = path.substr(0, path.rfind('\\') + 1);
            parts[m].texture = LoadTexture(directory + data.materials[m].textureFilename, error);
            if (!parts[m].texture) return false;
        }
    }
    MakeGlMesh(mesh, vertices, groups.indices, parts);
    return true;
}

// The program for the part (with or without its texture; instanced, or
// placed one by one), made current with the target's pixel shift when it
// was not.
const GlProgram &UseProgram(GlScene &scene, const GlMeshPart &part, bool instanced) {
    const GlProgram &program = instanced ? scene.programs[part.texture != 0] : scene.placedPrograms[part.texture != 0];
    if (scene.current != &program) {
        glUseProgram(program.program);
        glUniform2fv(program.offsetUniform, 1, scene.pixelOffset);
        scene.current = &program;
    }
    return program;
}

size_t IndexSize(const GlMesh &mesh) { return mesh.indexType == GL_UNSIGNED_INT ? 4 : 2; }

// A mesh placed by `world` (the sky and the terrain at the origin, a tree
// drawn as the program draws it).
void DrawMesh(GlScene &scene, const GlMesh &mesh, const D3DXMATRIX &world, const D3DXMATRIX &viewProjection) {
    D3DXMATRIX worldViewProjection = world * viewProjection;
    glBindVertexArray(mesh.vertexArray);
    glBindVertexBuffer(1, scene.everyTree, 0, sizeof(uint32_t));
    for (const GlMeshPart &part : mesh.parts) {
        if (part.indexCount == 0) continue;
        const GlProgram &program = UseProgram(scene, part, false);
        glUniformMatrix4fv(program.worldViewProjectionUniform, 1, GL_FALSE, &worldViewProjection.m[0][0]);
        glBindTexture(GL_TEXTURE_2D, part.texture);
        glDrawElements(GL_TRIANGLES, part.indexCount, mesh.indexType, (void *)(part.firstIndex * IndexSize(mesh)));
    }
}

// `count` trees of a list of tree numbers (a buffer), from entry `first`:
// one instanced draw per part of the mesh.
void DrawInstances(GlScene &scene, const GlMesh &mesh, const D3DXMATRIX &viewProjection, GLuint list, GLuint first,
                   GLsizei count) {
    if (count <= 0) return;
    glBindVertexArray(mesh.vertexArray);
    glBindVertexBuffer(1, list, 0, sizeof(uint32_t));
    for (const GlMeshPart &part : mesh.parts) {
        if (part.indexCount == 0) continue;
        const GlProgram &program = UseProgram(scene, part, true);
        glUniformMatrix4fv(program.viewProjectionUniform, 1, GL_FALSE, &viewProjection.m[0][0]);
        glUniform1i(program.instancedUniform, 1);
        glBindTexture(GL_TEXTURE_2D, part.texture);
        glDrawElementsInstancedBaseInstance(GL_TRIANGLES, part.indexCount, mesh.indexType,
                                            (void *)(part.firstIndex * IndexSize(mesh)), count, first);
    }
}

void SetTarget(GlScene &scene, GLuint framebuffer, int width, int height) {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, width, height);
    PixelShiftOffset(width, height, scene.pixelOffset);
    scene.current = nullptr;  // the next draw sets the offset on its program
}

GLuint MakeSampler(GLenum wrap) {
    GLuint sampler = 0;
    glGenSamplers(1, &sampler);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, wrap);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, wrap);
    return sampler;
}

bool MakeTarget(int width, int height, GLenum depthTarget, GLuint &framebuffer, GLuint &colour, GLuint &depth) {
    glGenTextures(1, &colour);
    glBindTexture(GL_TEXTURE_2D, colour);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
    if (depthTarget == GL_TEXTURE_2D) {
        glGenTextures(1, &depth);
        glBindTexture(GL_TEXTURE_2D, depth);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT16, width, height, 0, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT,
                     nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, depth, 0);
    } else {
        glGenRenderbuffers(1, &depth);
        glBindRenderbuffer(GL_RENDERBUFFER, depth);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    }
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

}  // namespace

void FindSceneUniforms(GlProgram &program) {
    program.viewProjectionUniform = glGetUniformLocation(program.program, "viewProjection");
    program.worldViewProjectionUniform = glGetUniformLocation(program.program, "worldViewProjection");
    program.instancedUniform = glGetUniformLocation(program.program, "instanced");
    program.offsetUniform = glGetUniformLocation(program.program, "pixelOffset");
}

GLuint LinkSceneProgram(const char *fragmentSource, std::string &error) {
    return CompileProgram(VertexSource, fragmentSource, error);
}

void MakeGlMesh(GlMesh &mesh, const std::vector<GlVertex> &vertices, const std::vector<uint32_t> &indices,
                const std::vector<GlMeshPart> &parts) {
    mesh.parts = parts;
    mesh.indices = indices;
    mesh.positions.clear();
    for (int k = 0; k < 3; ++k) mesh.bounds.min[k] = mesh.bounds.max[k] = vertices.empty() ? 0 : vertices[0].position[k];
    for (const GlVertex &v : vertices) {
        mesh.positions.push_back(D3DXVECTOR3(v.position[0], v.position[1], v.position[2]));
        for (int k = 0; k < 3; ++k) {
            mesh.bounds.min[k] = std::min(mesh.bounds.min[k], v.position[k]);
            mesh.bounds.max[k] = std::max(mesh.bounds.max[k], v.position[k]);
        }
    }
    glGenVertexArrays(1, &mesh.vertexArray);
    glBindVertexArray(mesh.vertexArray);
    glGenBuffers(1, &mesh.vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, vertices.size() * sizeof(GlVertex), vertices.data(), GL_STATIC_DRAW);
    // Binding 0: the vertices; binding 1: the tree numbers, one an instance.
    glBindVertexBuffer(0, mesh.vertexBuffer, 0, sizeof(GlVertex));
    glEnableVertexAttribArray(0);
    glVertexAttribFormat(0, 3, GL_FLOAT, GL_FALSE, offsetof(GlVertex, position));
    glVertexAttribBinding(0, 0);
    glEnableVertexAttribArray(2);
    glVertexAttribFormat(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, offsetof(GlVertex, colour));
    glVertexAttribBinding(2, 0);
    glEnableVertexAttribArray(3);
    glVertexAttribFormat(3, 2, GL_FLOAT, GL_FALSE, offsetof(GlVertex, texcoord));
    glVertexAttribBinding(3, 0);
    glEnableVertexAttribArray(4);
    glVertexAttribIFormat(4, 1, GL_UNSIGNED_INT, 0);
    glVertexAttribBinding(4, 1);
    glVertexBindingDivisor(1, 1);
    glGenBuffers(1, &mesh.indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
    if (vertices.size() > 0xFFFF) {
        mesh.indexType = GL_UNSIGNED_INT;
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, indices.size() * 4, indices.data(), GL_STATIC_DRAW);
    } else {
        mesh.indexType = GL_UNSIGNED_SHORT;
        std::vector<uint16_t> narrow(indices.begin(), indices.end());
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, narrow.size() * 2, narrow.data(), GL_STATIC_DRAW);
    }
    glBindVertexArray(0);
}

void DestroyGlMesh(GlMesh &mesh) {
    glDeleteVertexArrays(1, &mesh.vertexArray);
    glDeleteBuffers(1, &mesh.vertexBuffer);
    glDeleteBuffers(1, &mesh.indexBuffer);
    mesh = GlMesh();
}

void DrawMeshInstances(const GlMesh &mesh, GLuint list, GLuint first, GLsizei count) {
    if (count <= 0) return;
    glBindVertexArray(mesh.vertexArray);
    glBindVertexBuffer(1, list, 0, sizeof(uint32_t));
    for (const GlMeshPart &part : mesh.parts)
        if (part.indexCount > 0)
            glDrawElementsInstancedBaseInstance(GL_TRIANGLES, part.indexCount, mesh.indexType,
                                                (void *)(part.firstIndex * IndexSize(mesh)), count, first);
}

void UploadWorlds(GlScene &scene) {
    if (!scene.worldBuffer) glGenBuffers(1, &scene.worldBuffer);
    if (!scene.everyTree) glGenBuffers(1, &scene.everyTree);
    if (!scene.drawList) glGenBuffers(1, &scene.drawList);
    std::vector<uint32_t> every(std::max<size_t>(scene.worlds.size(), 1));
    for (size_t i = 0; i < every.size(); ++i) every[i] = (uint32_t)i;
    glBindBuffer(GL_SHADER_STORAGE_BUFFER, scene.worldBuffer);
    glBufferData(GL_SHADER_STORAGE_BUFFER, std::max<size_t>(scene.worlds.size(), 1) * sizeof(D3DXMATRIX),
                 scene.worlds.data(), GL_STATIC_DRAW);
    glBindBufferBase(GL_SHADER_STORAGE_BUFFER, WorldsBinding, scene.worldBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, scene.everyTree);
    glBufferData(GL_ARRAY_BUFFER, every.size() * sizeof(uint32_t), every.data(), GL_STATIC_DRAW);
}

bool CreateGlSceneObjects(GlScene &scene, std::string &error) {
    const char *fragmentSources[2] = {UntexturedFragmentSource, TexturedFragmentSource};
    for (int textured = 0; textured < 2; ++textured)
        for (GlProgram *program : {&scene.programs[textured], &scene.placedPrograms[textured]}) {
            const char *vertexSource = program == &scene.programs[textured] ? VertexSource : PlacedVertexSource;
            program->program = CompileProgram(vertexSource, fragmentSources[textured], error);
            if (!program->program) return false;
            FindSceneUniforms(*program);
            glUseProgram(program->program);
            glUniform1i(glGetUniformLocation(program->program, "image"), 0);
        }
    scene.clampSampler = MakeSampler(GL_CLAMP_TO_EDGE);
    scene.wrapSampler = MakeSampler(GL_REPEAT);
    if (!MakeTarget(MainTargetWidth, MainTargetHeight, GL_TEXTURE_2D, scene.mainFramebuffer, scene.mainColour,
                    scene.mainDepth) ||
        !MakeTarget(OcclusionBufferWidth, OcclusionBufferHeight, GL_TEXTURE_2D, scene.occlusionFramebuffer,
                    scene.occlusionColour, scene.occlusionDepth)) {
        error = "the render targets are incomplete";
        return false;
    }

    // The layer's translation of the program's states: depth test with
    // less-or-equal and writes on, clockwise front faces with the other side
    // culled, Direct3D's depth range and top-row-first targets. Blending is
    // on with the default factors (one, zero), which replace: the layer
    // leaves OpenGL's blending off for them, and so does this.
    glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);  // the y flip in the vertex shader turns the winding round
    glCullFace(GL_BACK);
    glDisable(GL_BLEND);
    UploadWorlds(scene);
    return true;
}

bool LoadGlScene(GlScene &scene, const std::vector<D3DXMATRIX> &worlds, std::string &error) {
    scene.worlds = worlds;
    if (!LoadMesh("Materials\\terrain.x", scene.terrain, error) || !LoadMesh("Materials\\skybox.x", scene.skybox, error) ||
        !LoadMesh("Materials\\tree.x", scene.tree, error) ||
        !LoadMesh("Materials\\tree_bounding.x", scene.bounding, error) ||
        !LoadMesh("Materials\\tree_occluder.x", scene.occluder, error))
        return false;
    return CreateGlSceneObjects(scene, error);
}

void BeginOcclusionTarget(GlScene &scene) {
    SetTarget(scene, scene.occlusionFramebuffer, OcclusionBufferWidth, OcclusionBufferHeight);
    glClearColor(200 / 255.0f, 200 / 255.0f, 200 / 255.0f, 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void DrawBounding(GlScene &scene, size_t tree, const D3DXMATRIX &viewProjection) {
    if (scene.oneDrawATree)
        DrawMesh(scene, scene.bounding, scene.worlds[tree], viewProjection);
    else
        DrawInstances(scene, scene.bounding, viewProjection, scene.everyTree, (GLuint)tree, 1);
}

void DrawTree(GlScene &scene, size_t tree, const D3DXMATRIX &viewProjection) {
    glBindSampler(0, scene.wrapSampler);
    if (scene.oneDrawATree)
        DrawMesh(scene, scene.tree, scene.worlds[tree], viewProjection);
    else
        DrawInstances(scene, scene.tree, viewProjection, scene.everyTree, (GLuint)tree, 1);
}

void FillOcclusionTarget(GlScene &scene, const D3DXMATRIX &viewProjection) {
    BeginOcclusionTarget(scene);
    if (scene.oneDrawATree) {
        for (size_t i = 0; i < scene.worlds.size(); ++i) DrawBounding(scene, i, viewProjection);
        return;
    }
    DrawInstances(scene, scene.bounding, viewProjection, scene.everyTree, 0, (GLsizei)scene.worlds.size());
}

void BindMainTarget(GlScene &scene) { SetTarget(scene, scene.mainFramebuffer, MainTargetWidth, MainTargetHeight); }

void BeginMainTarget(GlScene &scene, const D3DXMATRIX &viewProjection) {
    BindMainTarget(scene);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    D3DXMATRIX origin;
    D3DXMatrixIdentity(&origin);
    glBindSampler(0, scene.clampSampler);
    DrawMesh(scene, scene.skybox, origin, viewProjection);
    glBindSampler(0, scene.wrapSampler);
    DrawMesh(scene, scene.terrain, origin, viewProjection);
}

void DrawTrees(GlScene &scene, const D3DXMATRIX &viewProjection, const std::vector<uint32_t> &trees) {
    if (trees.empty()) return;
    glBindSampler(0, scene.wrapSampler);
    if (scene.oneDrawATree) {
        for (uint32_t tree : trees) DrawMesh(scene, scene.tree, scene.worlds[tree], viewProjection);
        return;
    }
    glBindBuffer(GL_ARRAY_BUFFER, scene.drawList);
    glBufferData(GL_ARRAY_BUFFER, trees.size() * sizeof(uint32_t), trees.data(), GL_STREAM_DRAW);
    DrawInstances(scene, scene.tree, viewProjection, scene.drawList, 0, (GLsizei)trees.size());
}

void DrawTreesIndirect(GlScene &scene, const D3DXMATRIX &viewProjection, GLuint list, GLuint commands) {
    glBindSampler(0, scene.wrapSampler);
    glBindVertexArray(scene.tree.vertexArray);
    glBindVertexBuffer(1, list, 0, sizeof(uint32_t));
    glBindBuffer(GL_DRAW_INDIRECT_BUFFER, commands);
    for (size_t k = 0; k < scene.tree.parts.size(); ++k) {
        const GlMeshPart &part = scene.tree.parts[k];
        const GlProgram &program = UseProgram(scene, part, true);
        glUniformMatrix4fv(program.viewProjectionUniform, 1, GL_FALSE, &viewProjection.m[0][0]);
        glUniform1i(program.instancedUniform, 1);
        glBindTexture(GL_TEXTURE_2D, part.texture);
        glMultiDrawElementsIndirect(GL_TRIANGLES, scene.tree.indexType, (void *)(k * 5 * sizeof(GLuint)), 1, 0);
    }
}

void EndMainTarget() { glFlush(); }

std::vector<uint32_t> TreesFlagged(const std::vector<bool> &flags) {
    std::vector<uint32_t> trees;
    for (size_t i = 0; i < flags.size(); ++i)
        if (flags[i]) trees.push_back((uint32_t)i);
    return trees;
}

void MainSceneGl(GlScene &scene, const D3DXMATRIX &viewProjection, const std::vector<bool> &flags) {
    BeginMainTarget(scene, viewProjection);
    DrawTrees(scene, viewProjection, TreesFlagged(flags));
    EndMainTarget();
}
