#pragma once

namespace kavrel {

class DeviceLink;
class Form;

// The device operations behind the buttons of wndMain. Each runs one exchange session on
// the link, keeps the settings in the form, and returns when the session has ended;
// failures have been shown to the operator.
void ReadSettings(DeviceLink& link, Form& form);
void WriteSettings(DeviceLink& link, Form& form);
void ShowDeviceInfo(DeviceLink& link, Form& form);
void RunTest(DeviceLink& link);
void RunReset(DeviceLink& link);

// Turns the text of strAddress into its value byte (255 when it reads 255 or more).
void CheckAddressInput(Form& form);

}  // namespace kavrel
