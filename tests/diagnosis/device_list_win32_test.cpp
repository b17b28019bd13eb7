// The device list as this Windows reads it, under wine with the prefix's registered CH340
// on COM7: the cable is found with its port, so no cause is named for a missing cable, and
// a port refused to us is named by its COMn name.
#include <gtest/gtest.h>

#include <cerrno>

#include "diagnosis/device_list.h"
#include "diagnosis/this_machine.h"

namespace kavrel::diagnosis {
namespace {

TEST(DeviceListWin32, ReadsTheRegisteredCableWithItsPort) {
    int cables = 0;
    const auto devices = PresentDevices();
    ASSERT_TRUE(devices);
    for (const PresentDevice& device : *devices) {
        if (device.vendor == 0x1A86) {
            ++cables;
            EXPECT_EQ(device.product, 0x7523);
            EXPECT_EQ(device.port, "COM7");
            EXPECT_EQ(device.name, "USB-SERIAL CH341A (COM7)");
            EXPECT_EQ(device.status & kHasProblem, 0u) << device.problem;
        }
    }
    EXPECT_EQ(cables, 1);
    EXPECT_EQ(NoCableCause(), "");
    EXPECT_EQ(PortOpenCause("\\\\.\\COM7", EBUSY),
              "Порт COM7 занят другой программой. Закройте её и повторите.");
}

}  // namespace
}  // namespace kavrel::diagnosis
