// Reference counting shared by every object of the layer and of the D3DX
// helpers, with the live-object count of each kind kept up to date.
#pragma once

#include "d3d9.h"
#include "live_objects.h"

template <class Interface, LiveObjectKind Kind>
struct ComObject : Interface {
    ULONG refs = 1;
    ComObject() { CountObjectCreated(Kind); }
    ~ComObject() override { CountObjectDestroyed(Kind); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **object) override {
        if (object) *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --refs;
        if (left == 0) delete this;
        return left;
    }
};
