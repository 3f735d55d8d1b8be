// The fly camera (scene/camera.cpp) hands its view and projection to the
// global Device. The lab draws in plain OpenGL and has no layer device, so
// it installs this one: it keeps the transforms and refuses everything else.
#pragma once

#include <d3dx9.h>

// Sets the global Device (and PresentParameters to a width x height back
// buffer, which the camera's aspect ratio follows). Release() clears Device.
void InstallTransformDevice(UINT width, UINT height);
void RemoveTransformDevice();

// The view times the projection, as the camera set them last.
D3DXMATRIX CameraViewProjection();
