// Umbrella header standing in for the SDK's <d3dx9.h>.
#pragma once
#include "d3d9.h"
#include "../d3dx9/d3dx9.h"
