// State blocks: record the state-setting calls made between BeginStateBlock
// and EndStateBlock; Capture re-reads those states, Apply sets them.
#include <algorithm>

#include "device_impl.h"

namespace {

void CaptureRecorded(const RecordedStates &recorded, const DeviceState &from, DeviceState &to) {
    for (int i = 0; i < RenderStateCount; ++i)
        if (recorded.render[i]) to.render[i] = from.render[i];
    for (int s = 0; s < StageCount; ++s) {
        for (int i = 0; i < StageStateCount; ++i)
            if (recorded.stage[s][i]) to.stage[s][i] = from.stage[s][i];
        if (recorded.textures[s]) to.textures[s] = from.textures[s];
    }
    for (int s = 0; s < SamplerCount; ++s)
        for (int i = 0; i < SamplerStateCount; ++i)
            if (recorded.sampler[s][i]) to.sampler[s][i] = from.sampler[s][i];
    if (recorded.world) to.world = from.world;
    if (recorded.view) to.view = from.view;
    if (recorded.projection) to.projection = from.projection;
    if (recorded.material) to.material = from.material;
    if (recorded.viewport) to.viewport = from.viewport;
    if (recorded.fvf) to.fvf = from.fvf;
}

StateBlock *NewStateBlock(D3DDevice *device) {
    auto *block = new StateBlock;
    block->device = device;
    device->AddRef();
    device->stateBlocks.push_back(block);
    return block;
}

}  // namespace

StateBlock::~StateBlock() {
    if (!device) return;
    auto &blocks = device->stateBlocks;
    blocks.erase(std::remove(blocks.begin(), blocks.end(), this), blocks.end());
    if (device->recording == this) device->recording = nullptr;
    device->Release();
}

HRESULT StateBlock::GetDevice(IDirect3DDevice9 **out) {
    if (!out || !device) return D3DERR_INVALIDCALL;
    device->AddRef();
    *out = device;
    return D3D_OK;
}

HRESULT StateBlock::Capture() {
    if (!device || device->recording) return D3DERR_INVALIDCALL;
    CaptureRecorded(recorded, device->state, values);
    return D3D_OK;
}

HRESULT StateBlock::Apply() {
    if (!device || device->recording) return D3DERR_INVALIDCALL;
    // Through the setters, so only what really changes is marked dirty.
    D3DDevice *d = device;
    for (int i = 0; i < RenderStateCount; ++i)
        if (recorded.render[i]) d->SetRenderState((D3DRENDERSTATETYPE)i, values.render[i]);
    for (int s = 0; s < StageCount; ++s) {
        for (int i = 0; i < StageStateCount; ++i)
            if (recorded.stage[s][i]) d->SetTextureStageState(s, (D3DTEXTURESTAGESTATETYPE)i, values.stage[s][i]);
        if (recorded.textures[s]) d->SetTexture(s, values.textures[s]);
    }
    for (int s = 0; s < SamplerCount; ++s)
        for (int i = 0; i < SamplerStateCount; ++i)
            if (recorded.sampler[s][i]) d->SetSamplerState(s, (D3DSAMPLERSTATETYPE)i, values.sampler[s][i]);
    if (recorded.world) d->SetTransform(D3DTS_WORLD, &values.world);
    if (recorded.view) d->SetTransform(D3DTS_VIEW, &values.view);
    if (recorded.projection) d->SetTransform(D3DTS_PROJECTION, &values.projection);
    if (recorded.material) d->SetMaterial(&values.material);
    if (recorded.viewport) d->SetViewport(&values.viewport);
    if (recorded.fvf) d->SetFVF(values.fvf);
    return D3D_OK;
}

HRESULT D3DDevice::BeginStateBlock() {
    if (recording) return D3DERR_INVALIDCALL;
    recording = NewStateBlock(this);
    return D3D_OK;
}

HRESULT D3DDevice::EndStateBlock(IDirect3DStateBlock9 **out) {
    if (!out || !recording) return D3DERR_INVALIDCALL;
    *out = recording;
    recording = nullptr;
    return D3D_OK;
}

HRESULT D3DDevice::CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9 **out) {
    if (!out || recording || type != D3DSBT_ALL) return D3DERR_INVALIDCALL;
    StateBlock *block = NewStateBlock(this);
    RecordedStates &r = block->recorded;
    std::fill_n(&r.render[0], RenderStateCount, true);
    std::fill_n(&r.stage[0][0], StageCount * StageStateCount, true);
    std::fill_n(&r.sampler[0][0], SamplerCount * SamplerStateCount, true);
    std::fill_n(r.textures, StageCount, true);
    r.world = r.view = r.projection = r.material = r.viewport = r.fvf = true;
    block->values = state;
    *out = block;
    return D3D_OK;
}
