#include "link/frame.h"

#include <algorithm>

namespace kavrel {

uint8_t FrameChecksum(const uint8_t* buffer, int32_t count) {
    const int32_t summed = std::clamp(count, 0, kMaxFrameLength);
    unsigned sum = 0;
    for (int32_t i = 0; i < summed; ++i) {
        sum += buffer[i];
    }
    return static_cast<uint8_t>(0u - sum);
}

TransactionResult CheckResponse(const uint8_t* buffer, int32_t length) {
    if (buffer[0] != kStartByte) {
        return TransactionResult::BadStartByte;
    }
    if (length < kMinResponseLength || length > kMaxFrameLength) {
        return TransactionResult::BadLength;
    }
    if (FrameChecksum(buffer, length - 1) != buffer[length - 1]) {
        return TransactionResult::BadChecksum;
    }
    return TransactionResult::Ok;
}

}  // namespace kavrel
