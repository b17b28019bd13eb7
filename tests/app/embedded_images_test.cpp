// The pictures compiled into the program: their stored form read back through libpng,
// what they show, and the decoder's refusal of damaged files.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/embedded_images.h"
#include "app/png_decoder.h"

namespace kavrel {
namespace {

struct Rgba {
    int red, green, blue, alpha;
};

Rgba PixelAt(const DecodedPng& png, int x, int y) {
    const std::size_t at = (static_cast<std::size_t>(y) * png.form.width + x) * 4;
    return {png.rgba[at], png.rgba[at + 1], png.rgba[at + 2], png.rgba[at + 3]};
}

TEST(EmbeddedImages, AnimationFramesAre100SquareEightBitNonInterlacedFirstTwoWithAlpha) {
    for (int index = 0; index < kAnimationFrameCount; ++index) {
        SCOPED_TRACE(index);
        const std::optional<PngForm> form = ReadPngForm(EmbeddedPng(index));
        ASSERT_TRUE(form);
        EXPECT_EQ(form->width, 100u);
        EXPECT_EQ(form->height, 100u);
        EXPECT_EQ(form->bitDepth, 8);
        EXPECT_EQ(form->colorType, index < 2 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB);
        EXPECT_FALSE(form->interlaced);
    }
}

TEST(EmbeddedImages, AboutBannerIs370By70EightBitRgbNonInterlaced) {
    const std::optional<PngForm> form = ReadPngForm(EmbeddedPng(kAboutBannerIndex));
    ASSERT_TRUE(form);
    EXPECT_EQ(form->width, 370u);
    EXPECT_EQ(form->height, 70u);
    EXPECT_EQ(form->bitDepth, 8);
    EXPECT_EQ(form->colorType, PNG_COLOR_TYPE_RGB);
    EXPECT_FALSE(form->interlaced);
}

// The darkest of the twelve dots is the head of the turning ring.
int HeadDot(const DecodedPng& frame) {
    int head = -1;
    int darkest = 1000;
    for (int dot = 0; dot < 12; ++dot) {
        const double angle = (-90.0 + 30.0 * dot) * 3.14159265358979 / 180.0;
        const Rgba pixel = PixelAt(frame, static_cast<int>(std::lround(50 + 40 * std::cos(angle))),
                                   static_cast<int>(std::lround(50 + 40 * std::sin(angle))));
        EXPECT_GT(pixel.blue, pixel.red + 20) << "dot " << dot << " is not blue";
        if (pixel.red < darkest) {
            darkest = pixel.red;
            head = dot;
        }
    }
    return head;
}

TEST(EmbeddedImages, RingTurnsClockwiseOneDotPerFrameForAFullTurn) {
    for (int index = 0; index < kAnimationFrameCount; ++index) {
        SCOPED_TRACE(index);
        const std::optional<DecodedPng> frame = DecodePng(EmbeddedPng(index));
        ASSERT_TRUE(frame);
        EXPECT_EQ(HeadDot(*frame), index);  // dot 0 at twelve o'clock, then clockwise
    }
}

TEST(EmbeddedImages, AnimationFramesCarryARedCaptionInTheMiddle) {
    const std::optional<DecodedPng> frame = DecodePng(EmbeddedPng(0));
    ASSERT_TRUE(frame);
    int red = 0;
    for (int y = 40; y < 60; ++y) {
        for (int x = 20; x < 80; ++x) {
            const Rgba pixel = PixelAt(*frame, x, y);
            red += pixel.red > 150 && pixel.green < 80 && pixel.blue < 80;
        }
    }
    EXPECT_GT(red, 60);
}

TEST(EmbeddedImages, BannerShowsGreenAndOrangeOnBlack) {
    const std::optional<DecodedPng> banner = DecodePng(EmbeddedPng(kAboutBannerIndex));
    ASSERT_TRUE(banner);
    int black = 0, green = 0, orange = 0;
    for (int y = 0; y < 70; ++y) {
        for (int x = 0; x < 370; ++x) {
            const Rgba p = PixelAt(*banner, x, y);
            black += p.red < 20 && p.green < 20 && p.blue < 20;
            green += p.green > 150 && p.red < p.green - 60;
            orange += p.red > 200 && p.green > 100 && p.green < 200 && p.blue < 80;
        }
    }
    EXPECT_GT(black, 370 * 70 / 2);
    EXPECT_GT(green, 300);
    EXPECT_GT(orange, 300);
}

TEST(PngDecoder, RefusesDamagedAndForeignFiles) {
    const std::span<const std::uint8_t> good = EmbeddedPng(0);
    const std::vector<std::uint8_t> truncated(good.begin(), good.begin() + good.size() / 2);
    std::vector<std::uint8_t> corrupted(good.begin(), good.end());
    corrupted[corrupted.size() / 2] ^= 0xFF;  // inside the image data: its checksum fails
    const std::vector<std::uint8_t> headerOnly(good.begin(), good.begin() + 20);
    const std::vector<std::uint8_t> notPng = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0};
    const std::vector<std::uint8_t> empty;
    for (const auto& bytes : {truncated, corrupted, headerOnly, notPng, empty}) {
        EXPECT_FALSE(DecodePng(bytes)) << bytes.size() << " bytes";
    }
    EXPECT_FALSE(ReadPngForm(headerOnly));
    EXPECT_FALSE(ReadPngForm(notPng));
    EXPECT_TRUE(ReadPngForm(truncated));  // its header is intact
}

}  // namespace
}  // namespace kavrel
