#pragma once

#include <cstdio>
#include <cstdlib>

namespace kavrel::fuzz {

// A broken invariant aborts, so that libFuzzer reports it and keeps the input behind it.
[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline void Require(bool holds, const char* what) {
    if (!holds) {
        Fail(what);
    }
}

}  // namespace kavrel::fuzz
