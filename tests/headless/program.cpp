#include "program.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "d3d9/live_objects.h"

void ProgramTest::SetUp() {
    char buffer[4096];
    previousDirectory = getcwd(buffer, sizeof buffer) ? buffer : ".";
    std::string pattern = ::testing::TempDir() + "occlusion-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    workDirectory = name.data();
    ASSERT_EQ(symlink(OC_SOURCE_DIR "/Materials", (workDirectory + "/Materials").c_str()), 0);
    ASSERT_EQ(chdir(workDirectory.c_str()), 0);
}

void ProgramTest::TearDown() {
    StopProgram();
    recorder.reset();
    if (chdir(previousDirectory.c_str()) != 0) perror("chdir");
    std::string command = "rm -rf '" + workDirectory + "'";
    if (system(command.c_str()) != 0) perror("rm");
}

bool ProgramTest::StartProgram() {
    SetHeadlessWindows(true);
    return CreateMainWindow(GetModuleHandleA(NULL)) && SUCCEEDED(InitDevice()) && SUCCEEDED(LoadScene());
}

void ProgramTest::StopProgram() {
    if (MainWindow) {
        DestroyWindow(MainWindow);
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        }
        MainWindow = NULL;
    }
    ReleaseAll();  // a start-up that failed half-way leaves things behind
    UnregisterClassA("Occlusion Culling", GetModuleHandleA(NULL));
    SceneObjects.clear();
    memset(KeyStates, 0, sizeof KeyStates);
    Camera = FlyCamera{D3DXVECTOR3(0, 0, 0), 0, 0, 0, D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)};
    FrameRate = 300.0f;
    ZeroMemory(&PresentParameters, sizeof PresentParameters);
}

void ProgramTest::DispatchMessages() {
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void ProgramTest::Resize(int width, int height, int type) {
    SetHeadlessClientSize(MainWindow, width, height);
    if (type < 0) PostMessageA(MainWindow, WM_EXITSIZEMOVE, 0, 0);
    else PostMessageA(MainWindow, WM_SIZE, type, type == SIZE_MINIMIZED ? 0 : MAKELPARAM(width, height));
    DispatchMessages();
}

RecordingDevice &ProgramTest::Record() {
    recorder = std::make_unique<RecordingDevice>(Device);
    Device = recorder.get();
    return *recorder;
}

std::vector<DWORD> ProgramTest::ReadBackBuffer() { return ReadPixels(Device); }
