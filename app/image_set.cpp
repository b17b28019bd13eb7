#include "app/image_set.h"

#include <QImage>

#include "assets/embedded_images.h"
#include "app/png_decoder.h"

namespace kavrel {
namespace {

std::optional<QPixmap> DecodeEmbedded(int index) {
    std::optional<DecodedPng> png = DecodePng(EmbeddedPng(index));
    if (!png) {
        return std::nullopt;
    }
    const auto width = static_cast<int>(png->form.width);
    const auto height = static_cast<int>(png->form.height);
    // The QImage only borrows the pixels; the pixmap takes its own copy.
    const QImage image(png->rgba.data(), width, height, width * 4, QImage::Format_RGBA8888);
    return QPixmap::fromImage(image);
}

}  // namespace

std::optional<ImageSet> DecodeImageSet(std::string& failure) {
    ImageSet set;
    for (int index = 0; index < kEmbeddedImageCount; ++index) {
        std::optional<QPixmap> picture = DecodeEmbedded(index);
        if (!picture) {
            failure = "embedded image " + std::to_string(index) + " cannot be decoded";
            return std::nullopt;
        }
        if (index == kAboutBannerIndex) {
            set.aboutBanner = *picture;
        } else {
            set.animationFrames.push_back(*picture);
        }
    }
    return set;
}

}  // namespace kavrel
