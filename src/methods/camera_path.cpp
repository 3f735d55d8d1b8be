#include "methods/camera_path.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "scene/camera.h"

std::vector<CameraPose> DefaultCameraPath(int frames) {
    std::vector<CameraPose> path;
    for (int i = 0; i < frames; ++i) {
        float t = frames > 1 ? (float)i / (float)(frames - 1) : 0.0f;
        path.push_back({D3DXVECTOR3(40.0f * sinf(6.2831853f * t), 10.0f, -170.0f + 300.0f * t),
                        0.6f * sinf(12.566371f * t), 0.05f});
    }
    return path;
}

namespace {

// A pose from a line's five numbers, every one finite and nothing after them.
bool ParsePose(const std::string &line, CameraPose &pose, std::string &reason) {
    std::istringstream in(line);
    float values[5];
    for (int k = 0; k < 5; ++k)
        if (!(in >> values[k]) || !std::isfinite(values[k])) {
            reason = k == 0 ? "expected five numbers, x y z yaw pitch" : "expected five numbers, found " +
                                                                          std::to_string(k);
            return false;
        }
    std::string rest;
    if (in >> rest) {
        reason = "unexpected \"" + rest + "\" after the five numbers";
        return false;
    }
    pose = {D3DXVECTOR3(values[0], values[1], values[2]), values[3], values[4]};
    return true;
}

}  // namespace

bool ReadCameraPath(const std::string &file, std::vector<CameraPose> &path, std::string &error) {
    std::ifstream in(file);
    if (!in) {
        error = file + ": " + strerror(errno);
        return false;
    }
    path.clear();
    std::string line, reason;
    for (int number = 1; std::getline(in, line); ++number) {
        size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') continue;
        CameraPose pose;
        if (!ParsePose(line, pose, reason)) {
            error = file + ":" + std::to_string(number) + ": " + reason;
            return false;
        }
        path.push_back(pose);
    }
    if (in.bad()) {
        error = file + ": cannot be read";
        return false;
    }
    if (path.empty()) {
        error = file + ": no camera in it";
        return false;
    }
    return true;
}

D3DXMATRIX PoseViewProjection(const CameraPose &pose, unsigned width, unsigned height) {
    FlyCamera camera = {pose.position, pose.pitch, pose.yaw, 0.0f, D3DXMATRIX()};
    BuildCameraMatrix(camera);
    return CameraView(camera) * CameraProjection(width, height);
}
