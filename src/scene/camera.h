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

HRESULT UpdateCamera();
