#include "methods/common.h"

#include <epoxy/gl.h>

#include <cmath>

#include "scene/camera.h"

double Mean(const std::vector<double> &values) {
    double sum = 0;
    for (double v : values) sum += v;
    return values.empty() ? 0 : sum / values.size();
}

namespace {
unsigned BenchSeed = FixedSeed;
}

int NextRandom(unsigned &state) {
    state = state * 214013u + 2531011u;
    return (state >> 16) & 0x7FFF;
}

int FixedRandom() { return NextRandom(BenchSeed); }

void PlaceCamera(int i, int n) {
    float t = n > 1 ? (float)i / (float)(n - 1) : 0.0f;
    Camera.position = D3DXVECTOR3(40.0f * sinf(6.2831853f * t), 10.0f, -170.0f + 300.0f * t);
    Camera.yaw = 0.6f * sinf(12.566371f * t);
    Camera.pitch = 0.05f;
}

// The layer and the plain OpenGL context both run on the calling thread's
// current context, so glFinish is the boundary for either.
void FinishGpu() { glFinish(); }

double *WaitTime = nullptr;

unsigned QueryResult(unsigned query) {
    GLuint samples = 0;
    Clock::time_point start = WaitTime ? Clock::now() : Clock::time_point();
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
    if (WaitTime) *WaitTime += Milliseconds(start, Clock::now());
    return samples;
}

void ReadBackBuffer(unsigned target, size_t bytes, void *data) {
    Clock::time_point start = WaitTime ? Clock::now() : Clock::time_point();
    glGetBufferSubData(target, 0, (GLsizeiptr)bytes, data);
    if (WaitTime) *WaitTime += Milliseconds(start, Clock::now());
}

FlagComparison CompareFlags(const std::vector<bool> &flags, const std::vector<bool> &exact) {
    FlagComparison result;
    for (size_t i = 0; i < exact.size(); ++i) {
        bool drawn = i < flags.size() && flags[i];
        result.drawn += drawn;
        result.wronglyCulled += exact[i] && !drawn;
        result.wronglyDrawn += !exact[i] && drawn;
    }
    return result;
}

unsigned LinkProgram(const unsigned *stages, const char *const *sources, int count, std::string &error) {
    GLuint program = glCreateProgram();
    for (int i = 0; i < count; ++i) {
        GLuint shader = glCreateShader(stages[i]);
        glShaderSource(shader, 1, &sources[i], nullptr);
        glCompileShader(shader);
        GLint ok = 0;
        glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
        if (!ok) {
            char log[1024] = {};
            glGetShaderInfoLog(shader, sizeof log, nullptr, log);
            error = std::string("shader does not compile: ") + log;
            glDeleteShader(shader);
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
