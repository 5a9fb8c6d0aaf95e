// Clocks of the Windows benchmark programs, in milliseconds.
#pragma once

#include <windows.h>

#include <cstdint>

namespace {

// CPU time of the calling thread: on a shared machine it says what the
// work costs when the wall clock also counts other programs.
inline double ThreadCpu() {
    FILETIME c, e, k, u;
    GetThreadTimes(GetCurrentThread(), &c, &e, &k, &u);
    auto ms = [](const FILETIME& f) { return double((uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e4; };
    return ms(k) + ms(u);
}

inline double Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(f.QuadPart);
}

}  // namespace
