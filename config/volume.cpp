#include "config/volume.h"

#include <cmath>

namespace kavrel {

namespace {
constexpr float kVolumeFactorSingle = 2.55f;
constexpr double kVolumeFactorDouble = 2.55;
}  // namespace

int VolumeByteToPercent(int byte) {
    const float percent = static_cast<float>(byte) / kVolumeFactorSingle;
    return static_cast<int>(std::lround(percent));
}

int PercentToVolumeByte(int percent) {
    // nearbyint under the default rounding mode sends an exact half to the even neighbour.
    return static_cast<int>(std::nearbyint(static_cast<double>(percent) * kVolumeFactorDouble));
}

}  // namespace kavrel
