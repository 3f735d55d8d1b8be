// Umbrella header standing in for the Windows SDK's <windows.h>.
#pragma once
#include "../win32/win32_types.h"
#include "../win32/win32.h"
#include "../gdi/gdi.h"
