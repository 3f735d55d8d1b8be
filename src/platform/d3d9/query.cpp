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
        flushedOnce = false;
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
        flushedOnce = false;
        return D3D_OK;
    }
    return D3DERR_INVALIDCALL;
}

// A program that polls with D3DGETDATA_FLUSH spins until the answer comes;
// Direct3D 9 lets the driver take its time over any poll. The first such
// poll flushes and answers S_FALSE while the result is pending, as Windows
// may; a repeated one waits for the result, so the driver's threads get the
// CPU instead of sharing it with the spinning program. A poll without the
// flag never waits and never flushes.
HRESULT Query::GetData(void *data, DWORD size, DWORD flags) {
    if (state == Building) return D3DERR_INVALIDCALL;
    // A query never issued answers at once and writes nothing.
    if (state == NeverIssued) return D3D_OK;
    device->MakeCurrent();
    bool wait = (flags & D3DGETDATA_FLUSH) && flushedOnce;
    if (type == D3DQUERYTYPE_EVENT) {
        if (state == Issued) {
            GLuint64 timeout = wait ? ~GLuint64(0) : 0;
            GLenum status = glClientWaitSync(fence, flags & D3DGETDATA_FLUSH ? GL_SYNC_FLUSH_COMMANDS_BIT : 0, timeout);
            if (status == GL_TIMEOUT_EXPIRED) {
                if (flags & D3DGETDATA_FLUSH) flushedOnce = true;
                return S_FALSE;
            }
            state = Signaled;
        }
        if (data && size >= sizeof(BOOL)) *static_cast<BOOL *>(data) = TRUE;
        return D3D_OK;
    }
    if (state == Issued) {
        if (!wait) {
            GLuint available = 0;
            glGetQueryObjectuiv(glQueries[current], GL_QUERY_RESULT_AVAILABLE, &available);
            if (!available) {
                if (flags & D3DGETDATA_FLUSH) {
                    glFlush();
                    flushedOnce = true;
                }
                return S_FALSE;
            }
        }
        glGetQueryObjectuiv(glQueries[current], GL_QUERY_RESULT, &samples);  // waits when not yet there
        state = Signaled;
    }
    if (data && size >= sizeof(DWORD)) *static_cast<DWORD *>(data) = samples;
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
