// Counts of the layer's live objects by kind, so tests can check that every
// resource exists exactly once and that teardown releases everything.
#pragma once

enum LiveObjectKind {
    LiveDirect3D,
    LiveDevice,
    LiveTexture,
    LiveSurface,  // every surface: texture levels, implicit, depth-stencil, off-screen
    LiveVertexBuffer,
    LiveIndexBuffer,
    LiveStateBlock,
    LiveQuery,
    LiveRenderToSurface,
    LiveMesh,
    LiveBuffer,
    LiveObjectKindCount
};

int LiveObjectCount(LiveObjectKind kind);
int LiveObjectTotal();
void CountObjectCreated(LiveObjectKind kind);
void CountObjectDestroyed(LiveObjectKind kind);
