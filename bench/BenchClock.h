// The benchmarks' clocks: the performance counter for the wall clock, and the CPU time that a
// process was charged (user and kernel, from GetProcessTimes). Under Wine, on a machine that
// others share, the wall clock moves with their load; the CPU time mostly does not, so the
// benchmarks print both and compare ratios by each. Work that Wine's server does on the
// process's behalf is charged to the server, not to the process: the CPU time leaves it out.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

inline double NowMs() {
    static const LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

// Milliseconds of CPU time charged to the process so far; negative when the system does not
// say. Wine reads another process's figure from Linux, so ask before that process has ended.
inline double CpuMs(HANDLE process = ::GetCurrentProcess()) {
    FILETIME created, ended, kernel, user;
    if (!::GetProcessTimes(process, &created, &ended, &kernel, &user)) return -1;
    auto ms = [](const FILETIME& f) {
        return static_cast<double>((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

// Both clocks at once, so that a stretch of work reads as wall and CPU milliseconds.
struct Clocks {
    double wall = 0, cpu = 0;
    static Clocks Now() { return {NowMs(), CpuMs()}; }
    Clocks operator-(const Clocks& start) const { return {wall - start.wall, cpu - start.cpu}; }
};

// The middle value (the upper of the two middle ones for an even count); 0 for none.
inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
