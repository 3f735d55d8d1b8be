#include "scene/camera.h"

#include "app/frame_clock.h"
#include "app/main_window.h"
#include "device/device.h"
#include "scene/scene.h"

FlyCamera Camera = {D3DXVECTOR3(0.0f, 0.0f, 0.0f), 0.0f, 0.0f, 0.0f,
                    D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)};

HRESULT UpdateCamera() {
    float dt = 1.0f / FrameRate;
    D3DXVECTOR3 move(0.0f, 0.0f, 0.0f);

    // Of each pair, the key named first wins.
    if (KeyStates['W']) move.z = MoveSpeed * dt;
    else if (KeyStates['S']) move.z = -MoveSpeed * dt;
    if (KeyStates['A']) move.x = -MoveSpeed * dt;
    else if (KeyStates['D']) move.x = MoveSpeed * dt;
    if (KeyStates['J']) Camera.yaw -= TurnSpeed * dt;
    else if (KeyStates['L']) Camera.yaw += TurnSpeed * dt;
    if (KeyStates['K']) Camera.pitch += TurnSpeed * dt;
    else if (KeyStates['I']) Camera.pitch -= TurnSpeed * dt;

    // The move follows last frame's orientation (and its scale); in the very
    // first frame the matrix is all zero, so the camera does not move.
    D3DXVec3TransformNormal(&move, &move, &Camera.matrix);
    Camera.position.x += move.x;
    Camera.position.y += move.y;
    Camera.position.z += move.z;

    D3DXQUATERNION rotation;
    D3DXQuaternionRotationYawPitchRoll(&rotation, Camera.yaw, Camera.pitch, Camera.roll);
    D3DXMatrixAffineTransformation(&Camera.matrix, CameraScale, NULL, &rotation, &Camera.position);

    D3DXMATRIX view;
    D3DXMatrixInverse(&view, NULL, &Camera.matrix);
    Device->SetTransform(D3DTS_VIEW, &view);

    // A zero-height back buffer (a minimised window) keeps the last projection.
    if (PresentParameters.BackBufferHeight > 0) {
        float aspect = (float)((double)PresentParameters.BackBufferWidth / (double)PresentParameters.BackBufferHeight);
        D3DXMATRIX projection;
        D3DXMatrixPerspectiveFovLH(&projection, FieldOfView, aspect, NearPlane, FarPlane);
        Device->SetTransform(D3DTS_PROJECTION, &projection);
    }

    for (unsigned i = 0; i < SceneObjects.size(); ++i) {
        SceneObject &object = SceneObjectAt(i);
        D3DXMatrixTranslation(&object.world, object.position.x, object.position.y, object.position.z);
    }
    return S_OK;
}
