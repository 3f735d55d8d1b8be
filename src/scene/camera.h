// The fly camera: W/S/A/D slide it along its own axes, J/L turn and I/K tilt.
#pragma once

#include <d3dx9.h>

struct FlyCamera {
    D3DXVECTOR3 position;
    float pitch;
    float yaw;
    float roll;
    D3DXMATRIX matrix;  // camera to world, as built in the last frame
};

extern FlyCamera Camera;

constexpr float MoveSpeed = 15.0f;
constexpr float TurnSpeed = 0.51f;
constexpr float CameraScale = 1.25f;
constexpr float FieldOfView = D3DX_PI / 4;
constexpr float NearPlane = 1.0f;
constexpr float FarPlane = 1000.0f;

// One frame of the camera's own steps, without a device, for any caller:
// the held keys (indexed by virtual-key code) turn it and move it by their
// rates times dt, along the orientation of last frame's matrix; then the
// camera-to-world matrix is rebuilt from the new angles and position.
void MoveCamera(FlyCamera &camera, const BYTE keys[256], float dt);
void BuildCameraMatrix(FlyCamera &camera);
// The view: the inverse of the camera-to-world matrix, its scale included.
D3DXMATRIX CameraView(const FlyCamera &camera);
// The projection for a back buffer of width x height (height above 0).
D3DXMATRIX CameraProjection(UINT width, UINT height);

// The program's step: the camera moved by KeyStates over 1 / FrameRate, its
// view and projection handed to the Device, every tree's world rebuilt.
HRESULT UpdateCamera();
