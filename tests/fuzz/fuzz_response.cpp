// libFuzzer target: what the device sends back. The input is played into a real
// pseudo-terminal, chunk by chunk with pauses, while the receive worker collects a response
// from the link's own device port; the response checks then judge what was collected.
//
// Input: records of [header][chunk]. The header's low three bits choose the pause before
// the chunk (kPauses), its high five bits the chunk's length, 0..31. A record whose pause
// would take the stream past kMaxStreamPauses, or whose bytes past kMaxStreamBytes, ends
// the stream, so an input costs at most about 55 ms.
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <future>
#include <numeric>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "link/device_port.h"
#include "link/frame.h"
#include "link/response_receiver.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace std::chrono_literals;
using Milliseconds = std::chrono::milliseconds;

// Quantised around the 3 ms silence that ends a response: pauses that must join chunks,
// borderline ones, and ones that must split them.
constexpr std::array<Milliseconds, 8> kPauses = {0ms, 0ms, 0ms, 1ms, 2ms, 4ms, 9ms, 20ms};
constexpr auto kMaxStreamPauses = 50ms;
// Less than the terminal holds while nobody reads, so a write never blocks.
constexpr size_t kMaxStreamBytes = 1024;
// After a silence this long the worker has ended, however busy the machine.
constexpr auto kCertainSilence = 20ms;
// The worker ends about 3 ms after the last byte; far beyond that it hangs.
constexpr auto kEndLimit = 5s;

using kavrel::fuzz::Fail;
using kavrel::fuzz::Require;
using kavrel::fuzz::WriteAll;

struct Chunk {
    Milliseconds pause;  // before the chunk
    size_t begin;        // offsets into Stream::bytes
    size_t end;
};

struct Stream {
    std::vector<uint8_t> bytes;
    std::vector<Chunk> chunks;
};

Stream Decode(std::span<const uint8_t> input) {
    Stream stream;
    Milliseconds pauses{0};
    size_t at = 0;
    while (at < input.size()) {
        const uint8_t header = input[at++];
        const Milliseconds pause = kPauses[header & 7u];
        const size_t length = std::min<size_t>(header >> 3, input.size() - at);
        if (pauses + pause > kMaxStreamPauses || stream.bytes.size() + length > kMaxStreamBytes) {
            break;
        }
        pauses += pause;
        const size_t begin = stream.bytes.size();
        stream.bytes.insert(stream.bytes.end(), input.begin() + static_cast<ptrdiff_t>(at),
                            input.begin() + static_cast<ptrdiff_t>(at + length));
        stream.chunks.push_back({pause, begin, stream.bytes.size()});
        at += length;
    }
    return stream;
}

// The first offset after which the line stays silent for kCertainSilence before more bytes
// come; nothing beyond it may be collected.
std::optional<size_t> CertainEnd(const Stream& stream) {
    size_t sent = 0;
    Milliseconds silence{0};
    for (const Chunk& chunk : stream.chunks) {
        silence += chunk.pause;
        if (chunk.end == chunk.begin) {
            continue;
        }
        if (sent > 0 && silence >= kCertainSilence) {
            return sent;
        }
        sent = chunk.end;
        silence = 0ms;
    }
    return std::nullopt;
}

// The response checks worked out from the frame rules alone: start byte, length, and a sum
// of all bytes that is a multiple of 256. An empty response leaves a cleared buffer.
int32_t ExpectedCode(std::span<const uint8_t> response) {
    if (response.empty() || response[0] != kavrel::kStartByte) {
        return 5;
    }
    if (response.size() < 2 || response.size() > 90) {
        return 7;
    }
    const unsigned sum = std::accumulate(response.begin(), response.end(), 0u);
    return sum % 256 == 0 ? 0 : 6;
}

// One pseudo-terminal for the whole run: the device port holds its slave, the stream goes
// in at the master, and a slave descriptor of our own empties the line between inputs.
struct Line {
    Line() {
        if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
            Fail("openpty failed");
        }
        const char* path = ttyname(slave);
        Require(path != nullptr && port.OpenDevicePort(path), "the device port did not open");
    }
    int master = -1;
    int slave = -1;
    kavrel::DevicePort port;
};

Line& TheLine() {
    static Line line;
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Line& line = TheLine();
    const Stream stream = Decode({data, size});

    kavrel::ReceivedResponse out;
    std::promise<void> ended;
    std::future<void> end = ended.get_future();
    std::jthread receiver([&](std::stop_token stop) {
        kavrel::ReceiveResponseWorker(line.port, stop, out);
        ended.set_value();
    });
    for (const Chunk& chunk : stream.chunks) {
        std::this_thread::sleep_for(chunk.pause);  // at least the pause, never less
        WriteAll(line.master, stream.bytes.data() + chunk.begin, chunk.end - chunk.begin,
                 "writing to the terminal failed");
    }
    if (stream.bytes.empty()) {
        receiver.request_stop();  // it waits for a first byte that never comes
    }
    Require(end.wait_for(kEndLimit) == std::future_status::ready,
            "the receive worker still runs long after the line fell silent");
    receiver.join();
    tcflush(line.slave, TCIFLUSH);  // what the worker left behind belongs to no later input

    const auto length = static_cast<size_t>(out.length);
    Require(out.length >= 0 && out.length <= kavrel::kMaxFrameLength, "length out of 0..90");
    Require(
        length <= stream.bytes.size() &&
            std::equal(stream.bytes.begin(), stream.bytes.begin() + static_cast<ptrdiff_t>(length),
                       out.bytes.begin()),
        "the collected bytes are not the start of the stream");
    Require(std::all_of(out.bytes.begin() + static_cast<ptrdiff_t>(length), out.bytes.end(),
                        [](uint8_t b) { return b == 0; }),
            "bytes stored beyond the collected length");
    const bool atChunkEnd =
        length == 0 || std::any_of(stream.chunks.begin(), stream.chunks.end(),
                                   [&](const Chunk& c) { return c.end == length; });
    Require(length == static_cast<size_t>(kavrel::kMaxFrameLength) || atChunkEnd,
            "the response ends inside a chunk");
    const auto firstChunk = std::find_if(stream.chunks.begin(), stream.chunks.end(),
                                         [](const Chunk& c) { return c.end > c.begin; });
    if (firstChunk != stream.chunks.end()) {
        Require(length >= std::min<size_t>(firstChunk->end, kavrel::kMaxFrameLength),
                "the response ends before its first chunk");
    }
    if (const auto certainEnd = CertainEnd(stream)) {
        Require(length <= *certainEnd, "bytes after a long silence joined the response");
    }
    Require(kavrel::ErrorNumber(kavrel::CheckResponse(out.bytes.data(), out.length)) ==
                ExpectedCode({stream.bytes.data(), length}),
            "the response checks disagree with the frame rules");
    return 0;
}
