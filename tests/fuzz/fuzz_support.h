#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstdint>
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

// Writes every byte, or fails with `what`.
inline void WriteAll(int fd, const uint8_t* bytes, size_t count, const char* what) {
    while (count > 0) {
        const ssize_t n = write(fd, bytes, count);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        Require(n > 0, what);
        bytes += n;
        count -= static_cast<size_t>(n);
    }
}

}  // namespace kavrel::fuzz
