#pragma once

#include <time.h>

#include <chrono>

namespace kavrel {

// A duration as the timespec that ppoll and friends take.
inline timespec ToTimespec(std::chrono::nanoseconds d) {
    const auto ns = d.count();
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

}  // namespace kavrel
