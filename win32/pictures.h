#pragma once

#include <windows.h>

#include <array>
#include <optional>

#include "assets/embedded_images.h"

namespace kavrel {

// The pictures the windows show, decoded from the embedded PNG files at the size a window's
// dpi asks for and laid over the dialog background (the first two animation frames are
// transparent).
struct Pictures {
    std::array<HBITMAP, kAnimationFrameCount> animationFrames{};
    HBITMAP aboutBanner = nullptr;

    Pictures() = default;
    Pictures(const Pictures&) = delete;
    Pictures& operator=(const Pictures&) = delete;
    ~Pictures();

    bool Owns(HBITMAP bitmap) const;
};

// False when one of them cannot be decoded. COM must be initialised on this thread.
bool DecodePictures(Pictures& pictures, UINT dpi);

// Shows `bitmap` (or nothing) in a picture control. Under common controls 6 the control
// keeps its own copy of a bitmap with an alpha channel and hands it back on the next change;
// that copy is deleted here, so that no bitmap leaks as the animation runs. `own` are the
// bitmaps the program deletes itself.
void ShowBitmap(HWND picture, HBITMAP bitmap, const Pictures& own);

}  // namespace kavrel
