// Occlusion and event queries on OpenGL query objects.
#include "device_impl.h"

Query::~Query() {
    device->MakeCurrent();
    if (fence) glDeleteSync(fence);
    if (state == Building) glEndQuery(GL_SAMPLES_PASSED);
    glDeleteQueries(GLQueryRing, glQueries);
    device->Release();
}

HRESULT Query::GetDevice(IDirect3DDevice9 **out) {
    if (!out) return D3DERR_INVALIDCALL;
    device->AddRef();
    *out = device;
    return D3D_OK;
}

HRESULT Query::Issue(DWORD flags) {
    device->MakeCurrent();
    if (type == D3DQUERYTYPE_EVENT) {
        // Signalled once the GPU has done everything issued before it.
        if (!(flags & D3DISSUE_END)) return D3DERR_INVALIDCALL;
        if (fence) glDeleteSync(fence);
        fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
        state = Issued;
        return D3D_OK;
    }
    if (flags & D3DISSUE_BEGIN) {
        if (state == Building) glEndQuery(GL_SAMPLES_PASSED);
        current = (current + 1) % GLQueryRing;
        glBeginQuery(GL_SAMPLES_PASSED, glQueries[current]);
        state = Building;
        return D3D_OK;
    }
    if (flags & D3DISSUE_END) {
        if (state != Building) return D3DERR_INVALIDCALL;
        glEndQuery(GL_SAMPLES_PASSED);
        state = Issued;
        return D3D_OK;
    }
    return D3DERR_INVALIDCALL;
}

HRESULT Query::GetData(void *data, DWORD size, DWORD flags) {
    if (state == Building) return D3DERR_INVALIDCALL;
    // A query never issued answers at once and writes nothing.
    if (state == NeverIssued) return D3D_OK;
    device->MakeCurrent();
    if (type == D3DQUERYTYPE_EVENT) {
        if (state == Issued) {
            GLenum status = glClientWaitSync(fence, flags & D3DGETDATA_FLUSH ? GL_SYNC_FLUSH_COMMANDS_BIT : 0, 0);
            if (status == GL_TIMEOUT_EXPIRED) return S_FALSE;
            state = Signaled;
        }
        if (data && size >= sizeof(BOOL)) *static_cast<BOOL *>(data) = TRUE;
        return D3D_OK;
    }
    if (state == Issued) {
        GLuint available = 0;
        glGetQueryObjectuiv(glQueries[current], GL_QUERY_RESULT_AVAILABLE, &available);
        if (!available) {
            if (flags & D3DGETDATA_FLUSH) glFlush();
            return S_FALSE;
        }
        state = Signaled;
    }
    if (data && size >= sizeof(DWORD)) {
        GLuint samples = 0;
        glGetQueryObjectuiv(glQueries[current], GL_QUERY_RESULT, &samples);
        *static_cast<DWORD *>(data) = samples;
    }
    return D3D_OK;
}

HRESULT D3DDevice::CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9 **out) {
    if (type != D3DQUERYTYPE_OCCLUSION && type != D3DQUERYTYPE_EVENT) return D3DERR_NOTAVAILABLE;
    // A null out-parameter asks whether the type is supported.
    if (!out) return D3D_OK;
    MakeCurrent();
    auto *query = new Query;
    query->device = this;
    AddRef();
    query->type = type;
    glGenQueries(Query::GLQueryRing, query->glQueries);
    *out = query;
    return D3D_OK;
}
