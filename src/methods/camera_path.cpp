#include "methods/camera_path.h"

#include <cmath>

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

D3DXMATRIX PoseViewProjection(const CameraPose &pose, unsigned width, unsigned height) {
    FlyCamera camera = {pose.position, pose.pitch, pose.yaw, 0.0f, D3DXMATRIX()};
    BuildCameraMatrix(camera);
    return CameraView(camera) * CameraProjection(width, height);
}
