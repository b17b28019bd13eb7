#pragma once

#include <optional>

#include "config/volume.h"

namespace kavrel {

// The device's volume byte behind strVolume's percent where that percent does not convert
// back to it (128 shows 50 %, which converts to 127). It counts only while the field still
// holds the percent of that byte.
class ExactVolume {
  public:
    void Keep(int deviceByte) { byte_ = deviceByte; }
    void Forget() { byte_.reset(); }
    int ByteFor(int percent) const {
        return byte_ && VolumeByteToPercent(*byte_) == percent ? *byte_
                                                               : PercentToVolumeByte(percent);
    }

  private:
    std::optional<int> byte_;
};

// What a window keeps behind strVolume: the byte a settings file gave, which a write sends,
// and the byte the latest read or file gave, which a saved file keeps. A read changes only
// the second, so a write after a read still sends the percent converted (128 read, 127
// written) while the file saved then holds 128.
class VolumeBytes {
  public:
    void Read(int deviceByte) {
        written_.Forget();
        saved_.Keep(deviceByte);
    }
    void Opened(int deviceByte) {
        written_.Keep(deviceByte);
        saved_.Keep(deviceByte);
    }
    int ToWrite(int percent) const { return written_.ByteFor(percent); }
    int ToSave(int percent) const { return saved_.ByteFor(percent); }

  private:
    ExactVolume written_;
    ExactVolume saved_;
};

}  // namespace kavrel
