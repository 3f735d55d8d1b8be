// What differs between the conformance program's platforms: on this
// project's layer its window is headless; on Windows a hidden window serves.
#pragma once

void UseHeadlessWindowsWhereOffered();
