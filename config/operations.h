#pragma once

namespace kavrel {

struct DeviceLink;
class UserInterface;

// The device operations behind the buttons of wndMain. Each runs one exchange session
// and returns when it has ended; failures have been shown to the operator.
void ReadSettings(DeviceLink& link);
void WriteSettings(DeviceLink& link);
void ShowDeviceInfo(DeviceLink& link);
void RunTest(DeviceLink& link);
void RunReset(DeviceLink& link);

// Turns the text of strAddress into its value byte (255 when it reads 255 or more).
void CheckAddressInput(UserInterface& ui);

}  // namespace kavrel
