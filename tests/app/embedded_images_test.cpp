// The pictures compiled into the program, read back through libpng, and the decoder's
// refusal of damaged files.
#include <gtest/gtest.h>
#include <png.h>

#include <vector>

#include "app/embedded_images.h"
#include "app/png_decoder.h"

namespace kavrel {
namespace {

TEST(EmbeddedImages, EachIsStoredWithItsSizeAndColourTypeEightBitNonInterlaced) {
    for (int index = 0; index < kEmbeddedImageCount; ++index) {
        SCOPED_TRACE(index);
        const std::optional<PngForm> form = ReadPngForm(EmbeddedPng(index));
        ASSERT_TRUE(form && DecodePng(EmbeddedPng(index)));
        const std::uint32_t width = index == kAboutBannerIndex ? 370 : 100;  // else a frame
        EXPECT_EQ(std::pair(form->width, form->height),
                  std::pair(width, width == 370 ? 70u : 100u));
        EXPECT_EQ(form->colorType, index < 2 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB);
        EXPECT_EQ(std::pair(form->bitDepth, form->interlaced), std::pair(8, false));
    }
}

TEST(PngDecoder, RefusesDamagedAndForeignFiles) {
    const std::span<const std::uint8_t> good = EmbeddedPng(0);
    std::vector<std::uint8_t> corrupted(good.begin(), good.end());
    corrupted[corrupted.size() / 2] ^= 0xFF;  // inside the image data: its checksum fails
    const std::vector<std::uint8_t> truncated(good.begin(), good.begin() + good.size() / 2);
    const std::vector<std::uint8_t> notPng = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0};
    for (const auto& bytes : {corrupted, truncated, notPng, std::vector<std::uint8_t>{}}) {
        EXPECT_FALSE(DecodePng(bytes)) << bytes.size() << " bytes";
    }
}

}  // namespace
}  // namespace kavrel
