// Time the culling spends blocked on the GPU: inside the calls that hand
// back its results (query results, buffer read-back) and the flushes of a
// method's wait loop. The methods reach OpenGL through libepoxy's dispatch
// pointers; while the clock runs, those pointers lead through timing
// wrappers, so the methods themselves stay as the benchmark runs them.
#pragma once

void StartWaitClock();
// Stops the clock and returns the milliseconds spent blocked since the start.
double StopWaitClock();
