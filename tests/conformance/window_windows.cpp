#include "conformance_window.h"

HWND CreateConformanceWindow() {
    WNDCLASSEXA windowClass = {sizeof(WNDCLASSEXA), 0, DefWindowProcA, 0, 0, GetModuleHandleA(NULL),
                               NULL, NULL, NULL, NULL, "Conformance", NULL};
    RegisterClassExA(&windowClass);
    return CreateWindowExA(0, "Conformance", "Conformance", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, NULL, NULL,
                           GetModuleHandleA(NULL), NULL);
}

void DestroyConformanceWindow(HWND window) { DestroyWindow(window); }
