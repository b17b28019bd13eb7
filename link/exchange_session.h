#pragma once

#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>

namespace kavrel {

class DevicePort;
class UserInterface;

// Frames one device operation: the exchange window with its busy animation and "Отмена",
// wndMain refusing input, and the port closed at the end on every path.
class ExchangeSession {
  public:
    ExchangeSession(UserInterface& ui, DevicePort& port);
    ~ExchangeSession();  // stops a running animation
    ExchangeSession(const ExchangeSession&) = delete;
    ExchangeSession& operator=(const ExchangeSession&) = delete;

    // Opens the exchange window and disables wndMain; without a window the session goes
    // on with wndMain enabled and no animation.
    void BeginExchangeSession();
    // Stops the animation, closes the window, enables wndMain unless wndInfo is open, and
    // closes the device port, whatever happened before.
    void EndExchangeSession();

  private:
    // Shows frames 1, 2, ... 11, 0, 1, ... one every 150 ms until stopped.
    void AnimationWorker(std::stop_token stop);

    UserInterface& ui_;
    DevicePort& port_;
    bool windowOpen_ = false;
    std::mutex sleepMutex_;
    std::condition_variable_any sleep_;
    std::jthread animation_;
};

}  // namespace kavrel
