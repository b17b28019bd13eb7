#pragma once

#include <cstdint>
#include <span>

namespace kavrel {

// The pictures compiled into the program, in the order start-up decodes them: the twelve
// busy-animation frames, then the About banner.
inline constexpr int kAnimationFrameCount = 12;
inline constexpr int kAboutBannerIndex = 12;
inline constexpr int kEmbeddedImageCount = 13;

// The PNG file of picture `index` (0 to 12), exactly as it lies in assets/.
std::span<const std::uint8_t> EmbeddedPng(int index);

}  // namespace kavrel
