// How the program reports a failed start-up on this platform: one line on
// standard error naming the step and the platform's reason.
#pragma once

void ReportStartupFailure(const char *step);
