#pragma once

namespace kavrel {

// The device keeps its volume as a byte 0..255; the operator sees percent 0..100. Every
// percent 0..100 survives PercentToVolumeByte followed by VolumeByteToPercent, which the
// write verification relies on.

// byte / 2.55 with a single-precision divisor, rounded to the nearest integer.
int VolumeByteToPercent(int byte);
// percent * 2.55 in double precision, rounded to nearest with halves to even
// (10 -> 26, 30 -> 76, 50 -> 127, 70 -> 178, 90 -> 229).
int PercentToVolumeByte(int percent);

}  // namespace kavrel
