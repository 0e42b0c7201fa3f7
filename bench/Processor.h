#pragma once

#include <ctime>

// Processor time in milliseconds, of the whole process by default or of the calling thread: the
// figure that other work on a shared machine disturbs least.
inline double ProcessorMilliseconds(clockid_t clock = CLOCK_PROCESS_CPUTIME_ID) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}
