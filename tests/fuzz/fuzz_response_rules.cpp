// libFuzzer target: what the device sends back, in made-up time. The input becomes bytes
// with arrival times around one attempt; the link's own response rules collect and judge a
// response from them, and an oracle worked out from the frame rules alone says what they
// must have made of it.
//
// Input: records of [header][chunk]. The header's low three bits choose the pause before
// the chunk (kPauses), bit 3 whether its bytes come one byte time apart or all at once,
// the high four bits its length, 0..15. Time 0 is the start of the receive worker, just
// after the stale input was drained; the stream begins at kStreamStart.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <numeric>
#include <optional>
#include <span>

#include "link/response_assembly.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace std::chrono_literals;
using kavrel::ArrivedByte;
using kavrel::LineTime;
using kavrel::fuzz::Require;
using Duration = LineTime::duration;

// Around the edges that matter: the 3 ms silence (3 ms joins, a microsecond more splits),
// the stale input before time 0, and the 500 ms limit.
constexpr std::array<Duration, 8> kPauses = {0ms, 1ms, 3ms, 3ms + 1us, 5ms, 20ms, 120ms, 470ms};
constexpr Duration kByteTime = 521us;  // 10 bits at 19200 baud
constexpr LineTime kWorkerStart{};
constexpr LineTime kStreamStart = kWorkerStart - 5ms;
// The protocol's own figures, written out rather than taken from the link.
constexpr LineTime kWorkerStop = kWorkerStart + 500ms;
constexpr size_t kMaxKept = 90;

// Fixed room, so that an input costs no allocation.
constexpr size_t kMaxInput = 256;  // scripts/fuzz.sh passes it as -max_len

struct Stream {
    std::array<ArrivedByte, kMaxInput> room;
    std::array<bool, kMaxInput + 1> chunkEnds;  // at each offset where a chunk ends
    size_t size = 0;
    std::span<const ArrivedByte> Bytes() const { return {room.data(), size}; }
};

void Decode(std::span<const uint8_t> input, Stream& stream) {
    stream.size = 0;
    stream.chunkEnds.fill(false);
    LineTime last = kStreamStart;
    size_t at = 0;
    while (at < input.size() && stream.size < kMaxInput) {
        const uint8_t header = input[at++];
        const Duration spacing = (header & 8u) != 0 ? kByteTime : 0us;
        const size_t length = std::min(
            {static_cast<size_t>(header >> 4u), input.size() - at, kMaxInput - stream.size});
        last += kPauses[header & 7u];
        for (size_t i = 0; i < length; ++i) {
            stream.room[stream.size++] = {input[at + i], last + spacing * static_cast<int>(i)};
        }
        if (length > 0) {
            last = stream.room[stream.size - 1].at;
            stream.chunkEnds[stream.size] = true;
        }
        at += length;
    }
}

// The line as the receive worker of one attempt meets it: what came before the worker
// started was drained with the stale input, and the worker is stopped at kWorkerStop
// unless a silence ended it first.
class MadeUpLine {
  public:
    explicit MadeUpLine(std::span<const ArrivedByte> bytes) : bytes_(bytes) {
        while (next_ < bytes_.size() && bytes_[next_].at < kWorkerStart) {
            ++next_;
        }
    }

    std::optional<ArrivedByte> Next(std::optional<LineTime> until) {
        const LineTime limit = until ? std::min(*until, kWorkerStop) : kWorkerStop;
        if (next_ < bytes_.size() && bytes_[next_].at <= limit) {
            return bytes_[next_++];
        }
        endedInTime_ = until && *until < kWorkerStop;
        return std::nullopt;
    }
    bool EndedInTime() const { return endedInTime_; }

  private:
    std::span<const ArrivedByte> bytes_;
    size_t next_ = 0;
    bool endedInTime_ = false;
};

struct Expected {
    size_t first = 0;   // offset of the first byte the worker saw
    size_t joined = 0;  // bytes in the response, kept or not
    int32_t code = 0;
};

// From the frame rules alone: the response is the run of bytes from the first that came
// after the drain, each at most 3 ms after the one before and none after the stop; it must
// be over (3 ms past its last byte) before the stop, begin with 0x6E, keep 2..90 bytes and
// sum to a multiple of 256.
Expected Expect(std::span<const ArrivedByte> bytes) {
    Expected e;
    while (e.first < bytes.size() && bytes[e.first].at < kWorkerStart) {
        ++e.first;
    }
    size_t end = e.first;
    while (end < bytes.size() && bytes[end].at <= kWorkerStop &&
           (end == e.first || bytes[end].at - bytes[end - 1].at <= 3ms)) {
        ++end;
    }
    e.joined = end - e.first;
    const size_t kept = std::min(e.joined, kMaxKept);
    if (e.joined == 0 || bytes[end - 1].at + 3ms >= kWorkerStop) {
        e.code = 4;
    } else if (bytes[e.first].value != 0x6E) {
        e.code = 5;
    } else if (kept < 2) {
        e.code = 7;
    } else {
        const auto sum =
            std::accumulate(bytes.begin() + static_cast<ptrdiff_t>(e.first),
                            bytes.begin() + static_cast<ptrdiff_t>(e.first + kept), 0u,
                            [](unsigned s, const ArrivedByte& b) { return s + b.value; });
        e.code = sum % 256 == 0 ? 0 : 6;
    }
    return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Stream stream;
    Decode({data, size}, stream);
    const auto bytes = stream.Bytes();
    MadeUpLine line(bytes);
    kavrel::ReceivedResponse out;
    kavrel::CollectResponse(line, out);
    const int32_t code = kavrel::ErrorNumber(
        kavrel::JudgeResponse(out.bytes.data(), out.length, line.EndedInTime()));

    const Expected e = Expect(bytes);
    const auto length = static_cast<size_t>(out.length);
    const auto fresh = bytes.begin() + static_cast<ptrdiff_t>(e.first);
    Require(out.length >= 0 && length <= kMaxKept, "length out of 0..90");
    Require(length == std::min(e.joined, kMaxKept), "the response is cut in the wrong place");
    Require(std::equal(out.bytes.begin(), out.bytes.begin() + out.length, fresh,
                       [](uint8_t kept, const ArrivedByte& b) { return kept == b.value; }),
            "the kept bytes are not the start of what came after the drain");
    Require(std::all_of(out.bytes.begin() + out.length, out.bytes.end(),
                        [](uint8_t b) { return b == 0; }),
            "bytes stored beyond the kept length");
    // Chunks come whole, so only the 90-byte limit or the stop can end a response inside one.
    Require(length == kMaxKept || code == 4 || stream.chunkEnds[e.first + e.joined],
            "the response ends inside a chunk");
    if (e.joined > 0) {
        Require(out.lastByte == fresh[static_cast<ptrdiff_t>(e.joined) - 1].at,
                "the response's last byte is not the last one joined");
    }
    Require(code == e.code, "the verdict disagrees with the frame rules");
    return 0;
}
