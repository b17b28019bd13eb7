#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

#include "link/frame.h"

namespace kavrel {

// The rules that turn bytes arriving on the line into one response and its verdict, apart
// from how the bytes arrive: the receive worker takes them from the port as they come, the
// fuzzer from a line made up in memory.

using FrameBuffer = std::array<uint8_t, kFrameBufferSize>;
using LineTime = std::chrono::steady_clock::time_point;

struct ArrivedByte {
    uint8_t value = 0;
    LineTime at{};
};

// What one receive collected: the first kMaxFrameLength bytes of the response (the rest of
// the buffer untouched), how many were kept, and when the last byte of all arrived.
struct ReceivedResponse {
    FrameBuffer bytes{};
    int32_t length = 0;
    LineTime lastByte{};
};

// Keeps the byte while fewer than kMaxFrameLength are kept and drops it after; either way
// it is the response's latest byte.
void TakeByte(ReceivedResponse& response, const ArrivedByte& byte);

// The last moment at which a byte still joins the response: a silence of more than
// kResponseSilence after the last byte ends it. None before the first byte.
std::optional<LineTime> JoinDeadline(const ReceivedResponse& response);

// Collects one response from `line`, whose Next(until) hands out the next byte if it
// arrives by `until` (whenever it arrives when there is no `until`) and nothing otherwise.
template <class Line>
void CollectResponse(Line& line, ReceivedResponse& out) {
    while (const std::optional<ArrivedByte> byte = line.Next(JoinDeadline(out))) {
        TakeByte(out, *byte);
    }
}

// The attempt's result for what its receive worker collected: NoResponse when the worker
// did not end within kResponseTimeout of its start, else the checks of CheckResponse.
TransactionResult JudgeResponse(const uint8_t* buffer, int32_t length, bool endedInTime);

}  // namespace kavrel
