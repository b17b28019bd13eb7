#pragma once

namespace kavrel {

class DevicePort;
class UserInterface;

// Frames one device operation: the exchange window with its busy animation and "Отмена",
// wndMain refusing input, and the port closed at the end on every path.
class ExchangeSession {
public:
    ExchangeSession(UserInterface& ui, DevicePort& port);
    ~ExchangeSession();

    void BeginExchangeSession();
    void EndExchangeSession();

private:
    UserInterface& ui_;
    DevicePort& port_;
};

}  // namespace kavrel
