#pragma once

// What the benchmarks measure with: processor seconds and peak memory.

#include <sys/resource.h>
#include <time.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace zuvo::bench {

// User + system processor time of this process so far, in seconds: steadier than the wall clock
// on a shared machine. The process clock counts to the nanosecond, where the rusage figures may
// move in scheduler ticks.
inline double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The resident set's high-water mark in kB; reset to the current size after reading, so that
// each reading covers the time since the last (Linux).
inline long TakePeakKilobytes() {
  std::ifstream status("/proc/self/status");
  long peak = -1;
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) peak = std::atol(line.c_str() + 6);
  }
  std::ofstream("/proc/self/clear_refs") << "5";
  return peak;
}

}  // namespace zuvo::bench
