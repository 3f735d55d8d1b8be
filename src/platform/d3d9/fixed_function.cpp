#include "fixed_function.h"

#include <cstdio>
#include <string>

#include "../d3d9/d3d9types.h"
#include "../platform_error.h"

namespace {


// GLSL expression for a texture-stage argument (D3DTA_*) of stage s.
std::string StageArgument(DWORD argument, int stage, bool alpha) {
    std::string value;
    switch (argument & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: value = "v_color"; break;
    case D3DTA_CURRENT: value = "current"; break;
    case D3DTA_TEXTURE: value = "texel" + std::to_string(stage); break;
    case D3DTA_TFACTOR: value = "u_textureFactor"; break;
    default: value = "vec4(0.0)"; break;  // specular and temp registers are not kept
    }
    if (argument & D3DTA_ALPHAREPLICATE) value = "vec4(" + value + ".a)";
    if (argument & D3DTA_COMPLEMENT) value = "(vec4(1.0) - " + value + ")";
    return alpha ? value + ".a" : value + ".rgb";
}

std::string StageOperation(DWORD op, const std::string &a, const std::string &b) {
    switch (op) {
    case D3DTOP_SELECTARG1: return a;
    case D3DTOP_SELECTARG2: return b;
    case D3DTOP_MODULATE: return a + " * " + b;
    case D3DTOP_MODULATE2X: return "2.0 * " + a + " * " + b;
    case D3DTOP_MODULATE4X: return "4.0 * " + a + " * " + b;
    case D3DTOP_ADD: return a + " + " + b;
    case D3DTOP_ADDSIGNED: return a + " + " + b + " - 0.5";
    case D3DTOP_ADDSIGNED2X: return "2.0 * (" + a + " + " + b + " - 0.5)";
    case D3DTOP_SUBTRACT: return a + " - " + b;
    case D3DTOP_ADDSMOOTH: return a + " + " + b + " * (1.0 - " + a + ")";
    default: return a;
    }
}

const char *CompareOperator(int func) {
    switch (func) {
    case D3DCMP_NEVER: return "false";
    case D3DCMP_LESS: return "a < r";
    case D3DCMP_EQUAL: return "a == r";
    case D3DCMP_LESSEQUAL: return "a <= r";
    case D3DCMP_GREATER: return "a > r";
    case D3DCMP_NOTEQUAL: return "a != r";
    case D3DCMP_GREATEREQUAL: return "a >= r";
    default: return "true";
    }
}

std::string VertexSource(const ShaderKey &key) {
    std::string s = "#version 330 core\n";
    s += "layout(location = 0) in vec4 a_position;\n";
    s += "layout(location = 2) in vec4 a_color;\n";
    s += "layout(location = 3) in vec2 a_tex0;\n";
    s += "layout(location = 4) in vec2 a_tex1;\n";
    s += "uniform mat4 u_worldViewProjection;\n";
    s += "uniform vec4 u_viewport;\n";     // x, y, 2 / width, 2 / height
    s += "uniform vec2 u_pixelOffset;\n";  // the pixel shift, in clip units per w
    s += "uniform vec2 u_pixelShift;\n";   // the pixel shift, in pixels
    s += "uniform vec4 u_lightColor;\n";
    s += "out vec4 v_color;\nout vec2 v_tex0;\nout vec2 v_tex1;\n";
    s += "void main() {\n";
    if (key.pretransformed) {
        // Screen pixels with Direct3D's pixel centres on integer coordinates.
        s += "  float w = a_position.w != 0.0 ? 1.0 / a_position.w : 1.0;\n";
        s += "  vec2 ndc = vec2((a_position.x + u_pixelShift.x - u_viewport.x) * u_viewport.z - 1.0,\n";
        s += "                  1.0 - (a_position.y + u_pixelShift.y - u_viewport.y) * u_viewport.w);\n";
        s += "  gl_Position = vec4(ndc * w, a_position.z * w, w);\n";
    } else {
        s += "  gl_Position = u_worldViewProjection * vec4(a_position.xyz, 1.0);\n";
        s += "  gl_Position.xy += u_pixelOffset * gl_Position.w;\n";
    }
    // Flipped to a top-row-first target here, not by glClipControl's
    // upper-left origin, which also turns the driver's tie rule round.
    s += "  gl_Position.y = -gl_Position.y;\n";
    // Without glClipControl: Direct3D's 0..1 depth mapped onto OpenGL's -1..1.
    if (!key.clipControl) s += "  gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;\n";
    if (key.lighting && !key.pretransformed)
        s += "  v_color = u_lightColor;\n";
    else if (key.hasDiffuse)
        s += "  v_color = a_color;\n";
    else
        s += "  v_color = vec4(1.0);\n";
    s += key.texCount > 0 ? "  v_tex0 = a_tex0;\n" : "  v_tex0 = vec2(0.0);\n";
    s += key.texCount > 1 ? "  v_tex1 = a_tex1;\n" : "  v_tex1 = v_tex0;\n";
    s += "}\n";
    return s;
}

std::string FragmentSource(const ShaderKey &key) {
    std::string s = "#version 330 core\n";
    s += "in vec4 v_color;\nin vec2 v_tex0;\nin vec2 v_tex1;\n";
    s += "uniform sampler2D u_texture0;\nuniform sampler2D u_texture1;\n";
    s += "uniform vec4 u_textureFactor;\nuniform float u_alphaRef;\n";
    s += "out vec4 fragColor;\n";
    s += "void main() {\n  vec4 current = v_color;\n";
    for (int i = 0; i < key.stageCount; ++i) {
        const StageKey &stage = key.stages[i];
        const char *coords = stage.texCoordIndex == 1 ? "v_tex1" : "v_tex0";
        s += "  {\n    vec4 texel" + std::to_string(i) + " = texture(u_texture" + std::to_string(i) + ", " +
             coords + ");\n";
        std::string color = StageOperation(stage.colorOp, StageArgument(stage.colorArg1, i, false),
                                           StageArgument(stage.colorArg2, i, false));
        std::string alpha = stage.alphaOp == D3DTOP_DISABLE
                                ? std::string("current.a")
                                : StageOperation(stage.alphaOp, StageArgument(stage.alphaArg1, i, true),
                                                 StageArgument(stage.alphaArg2, i, true));
        s += "    vec3 rgb = clamp(" + color + ", 0.0, 1.0);\n";
        s += "    float a = clamp(" + alpha + ", 0.0, 1.0);\n";
        s += "    current = vec4(rgb, a);\n  }\n";
    }
    if (key.alphaFunc) {
        // Direct3D compares the alpha as an 8-bit value with the reference.
        s += "  float a = floor(current.a * 255.0 + 0.5);\n  float r = u_alphaRef;\n";
        s += std::string("  if (!(") + CompareOperator(key.alphaFunc) + ")) discard;\n";
    }
    s += "  fragColor = current;\n}\n";
    return s;
}

GLuint CompileShader(GLenum type, const std::string &source) {
    GLuint shader = glCreateShader(type);
    const char *text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        SetPlatformError("fixed-function shader does not compile: %s", log);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint LinkProgram(const ShaderKey &key) {
    GLuint vertex = CompileShader(GL_VERTEX_SHADER, VertexSource(key));
    GLuint fragment = CompileShader(GL_FRAGMENT_SHADER, FragmentSource(key));
    if (!vertex || !fragment) {
        glDeleteShader(vertex);
        glDeleteShader(fragment);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        SetPlatformError("fixed-function program does not link: %s", log);
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

}  // namespace

ShaderProgram *ShaderCache::Get(const ShaderKey &key) {
    for (ShaderProgram *program : programs)
        if (program->key == key) return program;
    GLuint handle = LinkProgram(key);
    if (!handle) return nullptr;
    auto *program = new ShaderProgram;
    program->key = key;
    program->program = handle;
    program->worldViewProjection = glGetUniformLocation(handle, "u_worldViewProjection");
    program->viewport = glGetUniformLocation(handle, "u_viewport");
    program->pixelOffset = glGetUniformLocation(handle, "u_pixelOffset");
    program->pixelShift = glGetUniformLocation(handle, "u_pixelShift");
    program->alphaRef = glGetUniformLocation(handle, "u_alphaRef");
    program->textureFactor = glGetUniformLocation(handle, "u_textureFactor");
    program->lightColor = glGetUniformLocation(handle, "u_lightColor");
    glUseProgram(handle);
    glUniform1i(glGetUniformLocation(handle, "u_texture0"), 0);
    glUniform1i(glGetUniformLocation(handle, "u_texture1"), 1);
    programs.push_back(program);
    return program;
}

void ShaderCache::Destroy() {
    for (ShaderProgram *program : programs) {
        glDeleteProgram(program->program);
        delete program;
    }
    programs.clear();
}
