// The program's own start-up on a headless window, for tests that run whole
// frames of the real scene. Each test runs in a fresh working directory that
// sees the repository's Materials/.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "headless_device.h"
#include "app/frame.h"
#include "app/frame_clock.h"
#include "app/main_window.h"
#include "device/device.h"
#include "occlusion/occlusion.h"
#include "overlay/bitmap_font.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "recording_device.h"
#include "win32/headless.h"

class ProgramTest : public ::testing::Test {
protected:
    std::string workDirectory;
    std::string previousDirectory;

    void SetUp() override;
    void TearDown() override;

    // Registers the class, creates MainWindow, InitDevice and LoadScene.
    bool StartProgram();
    // Destroys the window (WM_DESTROY releases everything) and resets the
    // program's globals for the next test.
    void StopProgram();
    // Dispatches every queued message, without rendering.
    void DispatchMessages();
    // Gives the window a new client size and dispatches `type`'s WM_SIZE
    // (WM_EXITSIZEMOVE when type is -1), as a user's resize would.
    void Resize(int width, int height, int type = SIZE_RESTORED);
    // Puts a recording device between the program and its device.
    RecordingDevice &Record();
    std::unique_ptr<RecordingDevice> recorder;
    std::vector<DWORD> ReadBackBuffer();
};
