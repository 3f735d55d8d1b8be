#include "overlay/statistics.h"

#include "app/frame.h"
#include "app/frame_clock.h"
#include "device/device.h"
#include "overlay/bitmap_font.h"
#include "scene/camera.h"
#include "scene/scene.h"

TextBuilder TextStream;

float LegendY(UINT backBufferHeight) { return (float)((INT)backBufferHeight - LegendBottomOffset); }

HRESULT DrawStatistics() {
    TextStream.Clear();
    TextStream << "FPS:  " << FrameRate << '\n';
    TextStream << "Camera:  ( " << Camera.position.x << ", " << Camera.position.y << ", " << Camera.position.z
               << " )" << '\n';
    TextStream << "Verts Rendered:  " << FrameCounters.verticesRendered << '\n';
    TextStream << "Objects Rendered:  " << FrameCounters.objectsRendered << '\n';
    Font->DrawString(10.0f, 10.0f, StatisticsColour, TextStream.c_str());

    TextStream.Clear();
    TextStream << "Controls: \n WASD: Slide Camera\n IJKL: Rotate Camera\n M: Save Occlusion Buffer";
    Font->DrawString(10.0f, LegendY(PresentParameters.BackBufferHeight), LegendColour, TextStream.c_str());
    return S_OK;
}
