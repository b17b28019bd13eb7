#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kavrel {

// What a PNG file's header says about how it is stored.
struct PngForm {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitDepth = 0;   // bits per channel
    int colorType = 0;  // PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA, ...
    bool interlaced = false;
};

// A decoded picture: width x height pixels, 4 bytes each (red, green, blue, alpha), rows
// top to bottom without padding.
struct DecodedPng {
    PngForm form;
    std::vector<std::uint8_t> rgba;
};

// Reads the header through libpng; nothing when the bytes are not a PNG file.
std::optional<PngForm> ReadPngForm(std::span<const std::uint8_t> file);

// Decodes a whole PNG file held in memory; nothing when it is damaged or not a PNG file.
std::optional<DecodedPng> DecodePng(std::span<const std::uint8_t> file);

}  // namespace kavrel
