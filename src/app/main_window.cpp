#include "app/main_window.h"

#include "app/frame.h"
#include "device/device.h"
#include "report.h"
#include "scene/scene.h"

BYTE KeyStates[256];
HWND MainWindow;

namespace {
const char ClassName[] = "Occlusion Culling";
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        ReleaseAll();
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED) CheckClientSize();
        break;
    case WM_KEYDOWN:
        KeyStates[wParam & 0xFF] = 1;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:  // released while Alt is held: released all the same
        KeyStates[wParam & 0xFF] = 0;
        break;
    case WM_KILLFOCUS:
        // Keys released in another window send nothing here: without this
        // the camera would fly on until the key was pressed here again.
        ZeroMemory(KeyStates, sizeof KeyStates);
        break;
    case WM_EXITSIZEMOVE:
        CheckClientSize();
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void RunMessageLoop() {
    MSG msg = {};
    while (msg.message != WM_QUIT) {
        if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            RenderFrame();
        }
    }
}

HWND CreateMainWindow(HINSTANCE instance) {
    WNDCLASSEXA windowClass = {sizeof(WNDCLASSEXA), CS_CLASSDC, MainWindowProc, 0, 0, instance,
                               NULL, NULL, NULL, NULL, ClassName, NULL};
    RegisterClassExA(&windowClass);
    MainWindow = CreateWindowExA(0, ClassName, ClassName, WS_OVERLAPPEDWINDOW, 0, 0, 1024, 768,
                                 GetDesktopWindow(), NULL, instance, NULL);
    return MainWindow;
}

// A start-up that fails is reported and ends with a non-zero exit code, so
// that a missing display or asset is never mistaken for a normal run.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    HINSTANCE instance = GetModuleHandleA(NULL);
    const char *failedStep = !CreateMainWindow(instance) ? "creating the window"
                             : FAILED(InitDevice())        ? "creating the graphics device"
                             : FAILED(LoadScene())         ? "loading the scene"
                                                           : nullptr;
    if (failedStep) {
        ReportStartupFailure(failedStep);
        UnregisterClassA(ClassName, instance);
        return 1;
    }
    ShowWindow(MainWindow, SW_SHOWDEFAULT);
    UpdateWindow(MainWindow);
    RunMessageLoop();
    UnregisterClassA(ClassName, instance);
    return 0;
}
