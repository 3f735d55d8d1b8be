// The platform layer's last-error text: a failing platform call leaves the
// reason here so that a start-up failure can be reported in one line.
#pragma once

void SetPlatformError(const char *format, ...) __attribute__((format(printf, 1, 2)));
const char *GetPlatformError();  // "" when nothing has failed
void ClearPlatformError();
