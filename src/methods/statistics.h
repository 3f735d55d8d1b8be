// Summaries of per-frame figures.
#pragma once

#include <vector>

double Mean(const std::vector<double> &values);
double Median(std::vector<double> values);
// The value below which `fraction` of the values lie (nearest rank): 0.95 for the p95.
double Percentile(std::vector<double> values, double fraction);
double Maximum(const std::vector<double> &values);
