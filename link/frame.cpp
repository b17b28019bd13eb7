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

int32_t CheckResponse(const uint8_t* buffer, int32_t length) {
    if (buffer[0] != kStartByte) {
        return 5;
    }
    if (length < kMinResponseLength || length > kMaxFrameLength) {
        return 7;
    }
    if (FrameChecksum(buffer, length - 1) != buffer[length - 1]) {
        return 6;
    }
    return 0;
}

}  // namespace kavrel
