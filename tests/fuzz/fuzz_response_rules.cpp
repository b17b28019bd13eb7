// libFuzzer target: what the device sends back, in made-up time. The input becomes bytes
// with arrival times around one attempt; the link's own response rules collect and judge a
// response from them, and an oracle worked out from the frame rules alone says what they
// must have made of it.
//
// Input: records of [header][chunk]. The header's low three bits choose the pause before
// the chunk (kPauses), bit 3 whether its bytes come one byte time apart or all at once,
// the high four bits its length, 0..15. Time 0 is the start of the receive worker, just
// after the stale input was drained; the stream begins 5 ms before.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

#include "link/response_assembly.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace std::chrono_literals;
using kavrel::ArrivedByte;
using kavrel::LineTime;
using kavrel::fuzz::kMaxKept;
using kavrel::fuzz::Require;
using Duration = LineTime::duration;

// Around the edges that matter: the 3 ms silence (3 ms joins, a microsecond more splits),
// the stale input before time 0, and the 500 ms limit.
constexpr std::array<Duration, 8> kPauses = {0ms, 1ms, 3ms, 3ms + 1us, 5ms, 20ms, 120ms, 470ms};
constexpr Duration kByteTime = 521us;  // 10 bits at 19200 baud
constexpr Duration kSilence = 3ms;
constexpr LineTime kWorkerStop = LineTime{} + 500ms;
constexpr size_t kMaxInput = 256;  // scripts/fuzz.sh passes it as -max_len

std::span<const ArrivedByte> Decode(std::span<const uint8_t> input) {
    static std::array<ArrivedByte, kMaxInput> room;  // fixed: an input costs no allocation
    input = input.first(std::min(input.size(), kMaxInput));
    size_t size = 0;
    LineTime last = LineTime{} - 5ms;
    for (size_t at = 0; at < input.size();) {
        const uint8_t header = input[at++];
        const Duration spacing = (header & 8u) != 0 ? kByteTime : 0us;
        const size_t length = std::min<size_t>(header >> 4u, input.size() - at);
        last += kPauses[header & 7u];
        for (size_t i = 0; i < length; ++i) {
            last += i == 0 ? 0us : spacing;
            room[size++] = {input[at++], last};
        }
    }
    return {room.data(), size};
}

// The line as the receive worker meets it: stopped at kWorkerStop unless a silence ended
// it first.
struct MadeUpLine {
    std::optional<ArrivedByte> Next(std::optional<LineTime> until) {
        if (!bytes.empty() &&
            bytes.front().at <= std::min(until.value_or(kWorkerStop), kWorkerStop)) {
            const ArrivedByte byte = bytes.front();
            bytes = bytes.subspan(1);
            return byte;
        }
        endedInTime = until && *until < kWorkerStop;
        return std::nullopt;
    }
    std::span<const ArrivedByte> bytes;
    bool endedInTime = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto stream = Decode({data, size});
    const std::span fresh(
        std::partition_point(stream.begin(), stream.end(),
                             [](const ArrivedByte& b) { return b.at < LineTime{}; }),
        stream.end());
    MadeUpLine line{fresh};
    kavrel::ReceivedResponse out;
    kavrel::CollectResponse(line, out);

    // From the frame rules alone: the response is the run of fresh bytes, each at most 3 ms
    // after the one before and none after the stop; it is over 3 ms past its last byte.
    size_t joined = 0;
    while (joined < fresh.size() && fresh[joined].at <= kWorkerStop &&
           (joined == 0 || fresh[joined].at - fresh[joined - 1].at <= kSilence)) {
        ++joined;
    }
    const auto length = static_cast<size_t>(out.length);
    Require(length == std::min(joined, kMaxKept), "the response is cut in the wrong place");
    Require(std::equal(out.bytes.begin(), out.bytes.begin() + out.length, fresh.begin(),
                       [](uint8_t kept, const ArrivedByte& b) { return kept == b.value; }) &&
                std::all_of(out.bytes.begin() + out.length, out.bytes.end(),
                            [](uint8_t b) { return b == 0; }),
            "the buffer is not the start of what came after the drain, then zeros");
    const bool late = joined == 0 || fresh[joined - 1].at + kSilence >= kWorkerStop;
    Require(joined == 0 || out.lastByte == fresh[joined - 1].at,
            "the response's last byte is not the last one joined");
    Require(kavrel::ErrorNumber(
                kavrel::JudgeResponse(out.bytes.data(), out.length, line.endedInTime)) ==
                (late ? 4 : kavrel::fuzz::FrameVerdict({out.bytes.data(), length})),
            "the verdict disagrees with the frame rules");
    return 0;
}
