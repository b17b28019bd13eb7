#pragma once

#include <chrono>
#include <cstdint>

#include "link/transaction_result.h"

namespace kavrel {

using namespace std::chrono_literals;

// The wire protocol: frames start with 0x6E and end with a checksum that makes the sum of
// all bytes a multiple of 256.
inline constexpr uint8_t kStartByte = 0x6E;
inline constexpr uint8_t kRequestAddress = 255;
inline constexpr int32_t kFrameBufferSize = 91;
inline constexpr int32_t kMaxFrameLength = 90;
inline constexpr int32_t kMinResponseLength = 2;
inline constexpr int32_t kDataByteOffset = 2;  // of a response: 6E, address, data, ...

inline constexpr int kAttemptsPerTransaction = 3;
inline constexpr auto kAttemptPause = 15ms;
inline constexpr auto kResponseTimeout = 500ms;  // from the start of the receive worker
inline constexpr auto kResponseSilence = 3ms;    // a longer silence ends a response
inline constexpr int kWorkerEndPasses = 10;
inline constexpr auto kWorkerEndWait = 300ms;  // per pass

// Two's complement of the sum of the first count bytes (never beyond offset 89).
uint8_t FrameChecksum(const uint8_t* buffer, int32_t count);

// How a received response fails its checks, in the order they are made: Ok when it is
// sound, else BadStartByte, BadLength or BadChecksum.
TransactionResult CheckResponse(const uint8_t* buffer, int32_t length);

}  // namespace kavrel
