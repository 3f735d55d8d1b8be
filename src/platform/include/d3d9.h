// Umbrella header standing in for the SDK's <d3d9.h>.
#pragma once
#include "windows.h"
#include "../d3d9/d3d9.h"
