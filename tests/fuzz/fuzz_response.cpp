// libFuzzer target, a short integration run: bytes played into a real pseudo-terminal,
// chunk by chunk with real pauses, are collected by the link's own receive worker from its
// device port and judged by the response checks.
//
// Input: records of [header][chunk]. The header's low three bits choose the pause before
// the chunk (kPauses), its high five bits the chunk's length, 0..31. The stream ends before
// its pauses pass kMaxPauses, so an input costs at most about 55 ms; scripts/fuzz.sh passes
// -max_len=512, less than the terminal holds unread, so a write never blocks.
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <future>
#include <thread>
#include <vector>

#include "link/device_port.h"
#include "link/response_receiver.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace std::chrono_literals;
using kavrel::fuzz::kMaxKept;
using kavrel::fuzz::Require;

// Around the 3 ms silence that ends a response: pauses that must join chunks, borderline
// ones, and kSplit, after which the worker has ended however busy the machine.
constexpr auto kSplit = 20ms;
constexpr std::array<std::chrono::milliseconds, 8> kPauses = {0ms, 0ms, 0ms, 1ms,
                                                              2ms, 4ms, 9ms, kSplit};
constexpr auto kMaxPauses = 50ms;

struct Chunk {
    std::chrono::milliseconds pause;  // before the chunk
    size_t begin;                     // offsets into the stream's bytes
    size_t end;
};

// One pseudo-terminal for the whole run: the device port holds its slave, the stream goes
// in at the master.
struct Line {
    Line() {
        Require(openpty(&master, &slave, nullptr, nullptr, nullptr) == 0, "openpty failed");
        Require(port.OpenDevicePort(ttyname(slave)), "the device port did not open");
    }
    int master = -1, slave = -1;
    kavrel::DevicePort port;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Line line;
    std::vector<uint8_t> bytes;
    std::vector<Chunk> chunks;
    auto pause = 0ms, pauses = 0ms;  // before the next chunk, in all
    for (size_t at = 0; at < size;) {
        const uint8_t header = data[at++];
        const size_t length = std::min<size_t>(header >> 3u, size - at);
        pause += kPauses[header & 7u];
        pauses += kPauses[header & 7u];
        if (pauses > kMaxPauses) {
            break;
        }
        if (length > 0) {
            chunks.push_back({pause, bytes.size(), bytes.size() + length});
            bytes.insert(bytes.end(), data + at, data + at + length);
            pause = 0ms;
            at += length;
        }
    }

    kavrel::ReceivedResponse out;
    std::promise<void> ended;
    std::jthread worker([&](std::stop_token stop) {
        kavrel::ReceiveResponseWorker(line.port, stop, out);
        ended.set_value();
    });
    for (const Chunk& chunk : chunks) {
        std::this_thread::sleep_for(chunk.pause);  // at least the pause, never less
        kavrel::fuzz::WriteAll(line.master, bytes.data() + chunk.begin, chunk.end - chunk.begin,
                               "writing to the terminal failed");
    }
    if (chunks.empty()) {
        worker.request_stop();  // it waits for a first byte that never comes
    }
    Require(ended.get_future().wait_for(5s) == std::future_status::ready,
            "the receive worker still runs long after the line fell silent");
    worker.join();
    tcflush(line.slave, TCIFLUSH);  // what the worker left behind belongs to no later input

    // The worker ends at a chunk's end (or keeps 90 bytes), not before the first chunk is
    // in and not past a kSplit silence; the checks judge what it kept by the frame rules.
    const auto length = static_cast<size_t>(out.length);
    Require(length <= std::min(bytes.size(), kMaxKept) &&
                std::equal(out.bytes.begin(), out.bytes.begin() + out.length, bytes.begin()),
            "the response is not the start of the stream");
    Require(chunks.empty() || (length >= std::min(chunks[0].end, kMaxKept) &&
                               (length == kMaxKept ||
                                std::any_of(chunks.begin(), chunks.end(),
                                            [&](const Chunk& c) { return c.end == length; }))),
            "the response ends before its first chunk or inside a chunk");
    for (size_t i = 1; i < chunks.size(); ++i) {
        Require(chunks[i].pause < kSplit || length <= chunks[i - 1].end,
                "bytes after a long silence joined the response");
    }
    Require(kavrel::ErrorNumber(kavrel::CheckResponse(out.bytes.data(), out.length)) ==
                kavrel::fuzz::FrameVerdict({bytes.data(), length}),
            "the response checks disagree with the frame rules");
    return 0;
}
