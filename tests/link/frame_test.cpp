#include "link/frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace kavrel {
namespace {

struct ChecksumCase {
    std::vector<uint8_t> bytes;
    uint8_t checksum;
};

TEST(FrameChecksum, MakesTheFrameSumAMultipleOf256) {
    const std::vector<ChecksumCase> cases = {
        {{0x6E, 0xFF, 0x2E, 0x00}, 0x65},  // class query
        {{0x6E, 0xFF, 0x20, 0x04}, 0x6F},  // test command
        {{}, 0x00},
        {{0x00}, 0x00},
        {{0x01}, 0xFF},
        {{0x80, 0x80}, 0x00},
        {{0xFF, 0xFF, 0xFF}, 0x03},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FrameChecksum(c.bytes.data(), static_cast<int32_t>(c.bytes.size())), c.checksum);
    }
}

TEST(FrameChecksum, NeverSumsBeyondOffset89) {
    std::vector<uint8_t> bytes(kFrameBufferSize, 0);
    bytes[89] = 0x01;
    bytes[90] = 0x7F;
    EXPECT_EQ(FrameChecksum(bytes.data(), 91), 0xFF);
    EXPECT_EQ(FrameChecksum(bytes.data(), 90), 0xFF);
    EXPECT_EQ(FrameChecksum(bytes.data(), 89), 0x00);
}

struct ResponseCase {
    const char* what;
    std::vector<uint8_t> bytes;
    int32_t length;  // as the receiver counted it
    int32_t code;
};

TEST(CheckResponse, StartByteThenLengthThenChecksum) {
    const uint8_t c = static_cast<uint8_t>(0x100 - ((0x6E + 0xFF + 0x1A) & 0xFF));
    const std::vector<ResponseCase> cases = {
        {"sound four bytes", {0x6E, 0xFF, 0x1A, c}, 4, 0},
        {"two bytes that check", {0x6E, 0x92}, 2, 0},
        {"wrong start, good sum", {0x6F, 0xFF, 0x1A, static_cast<uint8_t>(c - 1)}, 4, 5},
        {"wrong start, bad sum", {0x00, 0x00, 0x00, 0x01}, 4, 5},
        {"nothing received", {0x00}, 0, 5},
        {"single start byte", {0x6E}, 1, 7},
        {"checksum off by one", {0x6E, 0xFF, 0x1A, static_cast<uint8_t>(c + 1)}, 4, 6},
        {"two bytes that do not check", {0x6E, 0xFF}, 2, 6},
    };
    for (const auto& r : cases) {
        std::vector<uint8_t> buffer(kFrameBufferSize, 0);
        std::copy(r.bytes.begin(), r.bytes.end(), buffer.begin());
        EXPECT_EQ(CheckResponse(buffer.data(), r.length), r.code) << r.what;
    }
}

TEST(CheckResponse, NinetyBytesTakeTheNinetiethAsChecksum) {
    std::vector<uint8_t> buffer(kFrameBufferSize, 0);
    buffer[0] = 0x6E;
    buffer[2] = 0x05;
    buffer[89] = FrameChecksum(buffer.data(), 89);
    EXPECT_EQ(CheckResponse(buffer.data(), 90), 0);
    EXPECT_EQ(CheckResponse(buffer.data(), 91), 7);
    buffer[89] = static_cast<uint8_t>(buffer[89] + 1);
    EXPECT_EQ(CheckResponse(buffer.data(), 90), 6);
}

}  // namespace
}  // namespace kavrel
