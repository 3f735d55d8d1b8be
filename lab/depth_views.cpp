#include "lab/depth_views.h"

#include "methods/gl_program.h"
#include "scene/camera.h"

namespace {

const char *VertexSource =
    "#version 430 core\n"
    "void main() {\n"
    "  vec2 corner = vec2(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0);\n"
    "  gl_Position = vec4(corner, 0.0, 1.0);\n"
    "}\n";
// Depth d of a left-handed perspective with near n and far f lies at view
// distance n f / (f - d (f - n)); the square root spreads the forest's
// distances over the grey scale.
const char *FragmentSource =
    "#version 430 core\n"
    "layout(binding = 3) uniform sampler2D depth;\n"
    "uniform int level;\n"
    "uniform vec2 scale;\n"
    "uniform float nearPlane, farPlane;\n"
    "out vec4 colour;\n"
    "void main() {\n"
    "  float d = texelFetch(depth, ivec2(gl_FragCoord.xy * scale) >> level, level).r;\n"
    "  if (d >= 1.0) { colour = vec4(0.10, 0.12, 0.32, 1.0); return; }\n"
    "  float z = nearPlane * farPlane / (farPlane - d * (farPlane - nearPlane));\n"
    "  float grey = 1.0 - sqrt(clamp(z / 400.0, 0.0, 1.0));\n"
    "  colour = vec4(vec3(0.12 + 0.88 * grey), 1.0);\n"
    "}\n";

bool CreateView(DepthView &view) {
    glGenTextures(1, &view.image);
    glBindTexture(GL_TEXTURE_2D, view.image);
    glTexStorage2D(GL_TEXTURE_2D, 1, GL_RGBA8, DepthViewWidth, DepthViewHeight);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glGenFramebuffers(1, &view.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, view.framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, view.image, 0);
    // Cleared to the "nothing drawn" blue until a method fills it.
    glClearColor(0.10f, 0.12f, 0.32f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void DestroyView(DepthView &view) {
    glDeleteFramebuffers(1, &view.framebuffer);
    glDeleteTextures(1, &view.image);
    view = DepthView();
}

}  // namespace

bool CreateDepthViews(DepthViews &views, std::string &error) {
    const unsigned stages[2] = {GL_VERTEX_SHADER, GL_FRAGMENT_SHADER};
    const char *sources[2] = {VertexSource, FragmentSource};
    views.program = LinkProgram(stages, sources, 2, error);
    if (!views.program) return false;
    views.levelUniform = glGetUniformLocation(views.program, "level");
    glUseProgram(views.program);
    glUniform1f(glGetUniformLocation(views.program, "nearPlane"), NearPlane);
    glUniform1f(glGetUniformLocation(views.program, "farPlane"), FarPlane);
    glGenVertexArrays(1, &views.vertexArray);
    glGenTextures(1, &views.cpuDepth);
    glBindTexture(GL_TEXTURE_2D, views.cpuDepth);
    glTexStorage2D(GL_TEXTURE_2D, 1, GL_R32F, DepthViewWidth, DepthViewHeight);
    bool complete = CreateView(views.occlusion) && CreateView(views.pyramid) && CreateView(views.cpu);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (!complete) error = "the depth views' targets are incomplete";
    return complete;
}

void DestroyDepthViews(DepthViews &views) {
    DestroyView(views.occlusion);
    DestroyView(views.pyramid);
    DestroyView(views.cpu);
    glDeleteTextures(1, &views.cpuDepth);
    glDeleteVertexArrays(1, &views.vertexArray);
    glDeleteProgram(views.program);
    views = DepthViews();
}

void ShowDepth(DepthViews &views, DepthView &view, GLuint depth, int level, int sourceWidth, int sourceHeight) {
    glBindFramebuffer(GL_FRAMEBUFFER, view.framebuffer);
    glViewport(0, 0, DepthViewWidth, DepthViewHeight);
    glDisable(GL_DEPTH_TEST);
    glUseProgram(views.program);
    glUniform1i(views.levelUniform, level);
    glUniform2f(glGetUniformLocation(views.program, "scale"), (float)sourceWidth / DepthViewWidth,
                (float)sourceHeight / DepthViewHeight);
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_2D, depth);
    glBindVertexArray(views.vertexArray);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_DEPTH_TEST);
}

void ShowCpuDepth(DepthViews &views, const float *depth) {
    glBindTexture(GL_TEXTURE_2D, views.cpuDepth);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, DepthViewWidth, DepthViewHeight, GL_RED, GL_FLOAT, depth);
    ShowDepth(views, views.cpu, views.cpuDepth, 0, DepthViewWidth, DepthViewHeight);
}
