#pragma once

#include <windows.h>

#include <array>
#include <optional>

namespace kavrel {

// The pictures the windows show, decoded once at start-up from the embedded PNG files and
// laid over the dialog background (the first two animation frames are transparent).
struct Pictures {
    std::array<HBITMAP, 12> animationFrames{};
    HBITMAP aboutBanner = nullptr;

    Pictures() = default;
    Pictures(const Pictures&) = delete;
    Pictures& operator=(const Pictures&) = delete;
    ~Pictures();
};

// False when one of them cannot be decoded. COM must be initialised on this thread.
bool DecodePictures(Pictures& pictures);

}  // namespace kavrel
