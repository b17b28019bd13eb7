#pragma once

#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>

namespace kavrel {

class DevicePort;
class Screen;

// Frames one device operation: the exchange window with its busy animation and "Отмена",
// wndMain refusing input, and the port closed at the end on every path.
class ExchangeSession {
  public:
    // One session, begun where the scope begins and ended on every path out of it.
    class Scope {
      public:
        explicit Scope(ExchangeSession& session) : session_(session) {
            session_.BeginExchangeSession();
        }
        ~Scope() { session_.EndExchangeSession(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

      private:
        ExchangeSession& session_;
    };

    ExchangeSession(Screen& screen, DevicePort& port);
    ~ExchangeSession();  // stops a running animation
    ExchangeSession(const ExchangeSession&) = delete;
    ExchangeSession& operator=(const ExchangeSession&) = delete;

    // Opens the exchange window and disables wndMain; without a window the session goes
    // on with wndMain enabled and no animation.
    void BeginExchangeSession();
    // Stops the animation, closes the window, lets wndMain take input again (unless a
    // secondary window keeps it refusing), and closes the device port, whatever happened
    // before.
    void EndExchangeSession();

  private:
    // Shows frames 1, 2, ... 11, 0, 1, ... one every 150 ms until stopped.
    void AnimationWorker(std::stop_token stop);

    Screen& screen_;
    DevicePort& port_;
    bool windowOpen_ = false;
    std::mutex sleepMutex_;
    std::condition_variable_any sleep_;
    std::jthread animation_;
};

}  // namespace kavrel
