#pragma once

#include <QPixmap>
#include <optional>
#include <string>
#include <vector>

namespace kavrel {

// The pictures the windows show, decoded once at start-up from the embedded PNG files.
struct ImageSet {
    std::vector<QPixmap> animationFrames;  // the busy animation, frames 0 to 11
    QPixmap aboutBanner;
};

// Decodes every embedded picture; on failure nothing, and `failure` says which one.
// Needs a QGuiApplication.
std::optional<ImageSet> DecodeImageSet(std::string& failure);

}  // namespace kavrel
