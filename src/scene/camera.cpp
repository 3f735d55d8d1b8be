#include "scene/camera.h"

#include "app/frame_clock.h"
#include "app/main_window.h"
#include "device/device.h"
#include "scene/scene.h"

FlyCamera Camera = {D3DXVECTOR3(0.0f, 0.0f, 0.0f), 0.0f, 0.0f, 0.0f,
                    D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)};

void MoveCamera(FlyCamera &camera, const BYTE keys[256], float dt) {
    D3DXVECTOR3 move(0.0f, 0.0f, 0.0f);

    // Of each pair, the key named first wins.
    if (keys['W']) move.z = MoveSpeed * dt;
    else if (keys['S']) move.z = -MoveSpeed * dt;
    if (keys['A']) move.x = -MoveSpeed * dt;
    else if (keys['D']) move.x = MoveSpeed * dt;
    if (keys['J']) camera.yaw -= TurnSpeed * dt;
    else if (keys['L']) camera.yaw += TurnSpeed * dt;
    if (keys['K']) camera.pitch += TurnSpeed * dt;
    else if (keys['I']) camera.pitch -= TurnSpeed * dt;

    // The move follows last frame's orientation (and its scale); in the very
    // first frame the matrix is all zero, so the camera does not move.
    D3DXVec3TransformNormal(&move, &move, &camera.matrix);
    camera.position.x += move.x;
    camera.position.y += move.y;
    camera.position.z += move.z;
    BuildCameraMatrix(camera);
}

void BuildCameraMatrix(FlyCamera &camera) {
    D3DXQUATERNION rotation;
    D3DXQuaternionRotationYawPitchRoll(&rotation, camera.yaw, camera.pitch, camera.roll);
    D3DXMatrixAffineTransformation(&camera.matrix, CameraScale, NULL, &rotation, &camera.position);
}

D3DXMATRIX CameraView(const FlyCamera &camera) {
    D3DXMATRIX view;
    D3DXMatrixInverse(&view, NULL, &camera.matrix);
    return view;
}

D3DXMATRIX CameraProjection(UINT width, UINT height) {
    float aspect = (float)((double)width / (double)height);
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, FieldOfView, aspect, NearPlane, FarPlane);
    return projection;
}

HRESULT UpdateCamera() {
    MoveCamera(Camera, KeyStates, 1.0f / FrameRate);
    D3DXMATRIX view = CameraView(Camera);
    Device->SetTransform(D3DTS_VIEW, &view);
    // A zero-height back buffer (a minimised window) keeps the last projection.
    if (PresentParameters.BackBufferHeight > 0) {
        D3DXMATRIX projection = CameraProjection(PresentParameters.BackBufferWidth, PresentParameters.BackBufferHeight);
        Device->SetTransform(D3DTS_PROJECTION, &projection);
    }
    for (unsigned i = 0; i < SceneObjects.size(); ++i) {
        SceneObject &object = SceneObjectAt(i);
        D3DXMatrixTranslation(&object.world, object.position.x, object.position.y, object.position.z);
    }
    return S_OK;
}
