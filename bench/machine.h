// What a run ran on, for the benchmark's header and its CSV's first lines:
// the CPU, its cores, the OpenGL driver of the current context, the commit.
#pragma once

#include <string>
#include <vector>

// "key: value" lines: cpu, cores, gl_vendor, gl_renderer, gl_version, commit.
// The commit is the working directory's git HEAD ("+ changes" when files
// differ from it), or "unknown" outside a checkout.
std::vector<std::string> DescribeMachine();

// The process's peak resident memory so far, in MiB (VmHWM); 0 where the
// system does not say.
double PeakResidentMegabytes();
