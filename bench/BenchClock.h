#pragma once
// Seconds from the high-resolution counter.
#include <windows.h>

inline double BenchNow() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}
