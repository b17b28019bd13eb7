#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <span>

namespace kavrel::fuzz {

// The protocol's own figure, written out rather than taken from the link.
inline constexpr size_t kMaxKept = 90;

// A broken invariant aborts, so that libFuzzer reports it and keeps the input behind it.
inline void Require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// The checks' verdict from the frame rules alone, as its error number: a response must begin
// with 0x6E (else 5), hold 2..90 bytes (else 7) and sum to a multiple of 256 (else 6).
inline int32_t FrameVerdict(std::span<const uint8_t> response) {
    if (response.empty() || response[0] != 0x6E) {
        return 5;
    }
    if (response.size() < 2 || response.size() > kMaxKept) {
        return 7;
    }
    return std::accumulate(response.begin(), response.end(), 0u) % 256 == 0 ? 0 : 6;
}

}  // namespace kavrel::fuzz
