#include "machine.h"

#include <epoxy/gl.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

namespace {

std::string CpuModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line))
        if (line.rfind("model name", 0) == 0 && line.find(':') != std::string::npos)
            return line.substr(line.find(':') + 2);
    return "unknown";
}

// The first line a command prints, or "" when it fails.
std::string FirstLineOf(const char *command) {
    FILE *pipe = popen(command, "r");
    if (!pipe) return "";
    char line[256] = {};
    bool read = fgets(line, sizeof line, pipe) != nullptr;
    int status = pclose(pipe);
    std::string text = read && status == 0 ? line : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

std::string Commit() {
    std::string head = FirstLineOf("git rev-parse --short HEAD 2>/dev/null");
    if (head.empty()) return "unknown";
    bool changed = !FirstLineOf("git status --porcelain --untracked-files=no 2>/dev/null").empty();
    return changed ? head + " + changes" : head;
}

std::string GlString(GLenum name) {
    const GLubyte *text = glGetString(name);
    return text ? (const char *)text : "unknown";
}

}  // namespace

std::vector<std::string> DescribeMachine() {
    return {"cpu: " + CpuModel(),
            "cores: " + std::to_string(std::thread::hardware_concurrency()),
            "gl_vendor: " + GlString(GL_VENDOR),
            "gl_renderer: " + GlString(GL_RENDERER),
            "gl_version: " + GlString(GL_VERSION),
            "commit: " + Commit()};
}

double PeakResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}
