// One culling method's frame in plain OpenGL, timed.
#pragma once

#include <functional>
#include <vector>

#include "methods/plain_gl_scene.h"

// The time until the method's flags are known (when the main scene can
// start) and the whole frame.
struct MethodFrame {
    double pass = 0, frame = 0;
    std::vector<bool> flags;
};

MethodFrame RunMethodFrame(GlScene &scene, const RecordedFrame &recorded,
                           const std::function<std::vector<bool>()> &pass);
