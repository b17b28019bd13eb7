#include "link/response_assembly.h"

namespace kavrel {

void TakeByte(ReceivedResponse& response, const ArrivedByte& byte) {
    if (response.length < kMaxFrameLength) {
        response.bytes[response.length++] = byte.value;
    }
    response.lastByte = byte.at;
}

std::optional<LineTime> JoinDeadline(const ReceivedResponse& response) {
    if (response.length == 0) {
        return std::nullopt;
    }
    return response.lastByte + kResponseSilence;
}

TransactionResult JudgeResponse(const uint8_t* buffer, int32_t length, bool endedInTime) {
    return endedInTime ? CheckResponse(buffer, length) : TransactionResult::NoResponse;
}

}  // namespace kavrel
