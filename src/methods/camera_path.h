// A camera path: one pose a frame, seen through the program's own camera
// (its scale, field of view and planes).
#pragma once

#include <d3dx9.h>

#include <string>
#include <vector>

struct CameraPose {
    D3DXVECTOR3 position;  // world units
    float yaw, pitch;      // radians, as the fly camera keeps them
};

// The benchmark's path of n frames: south to north through the forest,
// swaying from side to side and turning with the sway.
std::vector<CameraPose> DefaultCameraPath(int frames);

// A path from a file: one camera a line, "x y z yaw pitch" (position in
// world units, yaw and pitch in radians as the fly camera keeps them);
// blank lines and lines starting with # are skipped. False, with
// "FILE:LINE: reason" in `error`, when the file cannot be read, a line is
// malformed or there is no camera at all.
bool ReadCameraPath(const std::string &file, std::vector<CameraPose> &path, std::string &error);

// The view times the projection of the fly camera in that pose, for a back
// buffer of width x height.
D3DXMATRIX PoseViewProjection(const CameraPose &pose, unsigned width, unsigned height);
