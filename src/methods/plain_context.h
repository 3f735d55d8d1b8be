// The layer's context and a plain OpenGL 4.3 core context of its own
// (compute shaders for the depth pyramid) on the same EGL display, so that
// each frame can be measured through both while the machine's load is the
// same. Objects are not shared between them.
#pragma once

#include <string>

struct ContextPair {
    void *display = nullptr, *layer = nullptr, *plain = nullptr;
};

// Called with the driver's message for each OpenGL error.
using PlainGlErrorHandler = void (*)(const char *message);

// OC_GL_DEBUG set to anything but 0: OpenGL errors are wanted as failures.
bool GlDebugWanted();
// Each OpenGL error of the current (debug) context reported to `onError`
// as it happens.
void ReportGlErrors(PlainGlErrorHandler onError);

// Made while the layer's headless context is current; leaves the plain one
// current. With `onError`, a debug context whose errors are reported to it
// as they happen. False with the reason in `error`.
bool MakePlainContext(ContextPair &contexts, std::string &error, PlainGlErrorHandler onError = nullptr);
void UsePlainContext(const ContextPair &contexts);
// The layer's own context again, which the layer believes never left.
void UseLayerContext(const ContextPair &contexts);
