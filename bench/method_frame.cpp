#include "method_frame.h"

MethodFrame RunMethodFrame(GlScene &scene, const RecordedFrame &recorded,
                           const std::function<std::vector<bool>()> &pass) {
    MethodFrame result;
    FinishGpu();
    Clock::time_point start = Clock::now();
    result.flags = pass();
    Clock::time_point flagsKnown = Clock::now();
    MainSceneGl(scene, recorded, result.flags);
    FinishGpu();
    result.pass = Milliseconds(start, flagsKnown);
    result.frame = Milliseconds(start, Clock::now());
    return result;
}
