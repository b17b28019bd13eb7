#pragma once

#include <cstdint>
#include <span>

namespace kavrel {

// The pictures compiled into the program, in the order start-up decodes them: the
// busy-animation frames (the build checks their number against the files), then the About
// banner.
inline constexpr int kAnimationFrameCount = 12;
inline constexpr int kAboutBannerIndex = kAnimationFrameCount;
inline constexpr int kEmbeddedImageCount = kAnimationFrameCount + 1;

// The PNG file of picture `index`, exactly as it lies in assets/.
std::span<const std::uint8_t> EmbeddedPng(int index);

// Picture `index` drawn at kPictureScales[scale] percent of its size.
inline constexpr int kPictureScales[] = {100, 150, 200};
std::span<const std::uint8_t> EmbeddedPng(int index, int scale);

}  // namespace kavrel
