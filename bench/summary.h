// The benchmark's summary: one table of keys, each with its unit, what it
// means and how it is computed from the run. It prints the summary
// (`key: value` lines) and lists the keys for the docs check.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "bench_run.h"

struct SummaryKey {
    std::string name;
    std::string unit;     // "ms", "trees", "pixels", "ratio", "frames" ...
    std::string meaning;  // one line
    std::function<std::string(const BenchRun &)> value;
};

// Without the layer: the keys of the methods, the truth and start-up only.
std::vector<SummaryKey> SummaryKeys(bool withLayer = true);
void PrintSummary(const BenchRun &run);
// Every key with its unit and meaning, one a line ("key NAME [UNIT]
// MEANING"), every CSV column ("column NAME") and every contender's name
// ("contender NAME", the M in the keys made for each).
void PrintSummaryKeys();
