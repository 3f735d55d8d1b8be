#include "methods/gl_program.h"

#include <epoxy/gl.h>

#include <cstring>

#include "methods/pixel_grid.h"

namespace {

GLuint CompileShader(GLenum stage, const char *source, std::string &error) {
    const char *lineEnd = strchr(source, '\n');
    std::string version(source, lineEnd ? lineEnd + 1 : source + strlen(source));
    std::string body = lineEnd ? lineEnd + 1 : "";
    std::string defines = PixelGridDefines();
    const char *parts[3] = {version.c_str(), defines.c_str(), body.c_str()};
    GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 3, parts, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok) return shader;
    char log[1024] = {};
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    error = std::string("shader does not compile: ") + log;
    glDeleteShader(shader);
    return 0;
}

}  // namespace

unsigned LinkProgram(const unsigned *stages, const char *const *sources, int count, std::string &error) {
    GLuint program = glCreateProgram();
    for (int i = 0; i < count; ++i) {
        GLuint shader = CompileShader(stages[i], sources[i], error);
        if (!shader) {
            glDeleteProgram(program);
            return 0;
        }
        glAttachShader(program, shader);
        glDeleteShader(shader);
    }
    glLinkProgram(program);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        error = "program does not link";
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

unsigned LinkComputeProgram(const char *source, std::string &error) {
    const unsigned stage = GL_COMPUTE_SHADER;
    return LinkProgram(&stage, &source, 1, error);
}
