// A camera path: one pose a frame, seen through the program's own camera
// (its scale, field of view and planes).
#pragma once

#include <d3dx9.h>

#include <vector>

struct CameraPose {
    D3DXVECTOR3 position;  // world units
    float yaw, pitch;      // radians, as the fly camera keeps them
};

// The benchmark's path of n frames: south to north through the forest,
// swaying from side to side and turning with the sway.
std::vector<CameraPose> DefaultCameraPath(int frames);

// The view times the projection of the fly camera in that pose, for a back
// buffer of width x height.
D3DXMATRIX PoseViewProjection(const CameraPose &pose, unsigned width, unsigned height);
