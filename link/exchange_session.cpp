#include "link/exchange_session.h"

#include <chrono>

#include "assets/embedded_images.h"  // the number of animation frames the windows carry
#include "link/device_port.h"
#include "link/screen.h"

namespace kavrel {

namespace {

constexpr auto kAnimationFrameTime = std::chrono::milliseconds(150);

}  // namespace

ExchangeSession::ExchangeSession(Screen& screen, DevicePort& port) : screen_(screen), port_(port) {}

// The jthread asks the worker to stop and joins it; the stop wakes the worker's sleep.
ExchangeSession::~ExchangeSession() = default;

void ExchangeSession::BeginExchangeSession() {
    windowOpen_ = screen_.OpenExchangeWindow();
    if (!windowOpen_) {
        return;
    }
    screen_.SetMainWindowEnabled(false);
    animation_ = std::jthread([this](std::stop_token stop) { AnimationWorker(stop); });
}

void ExchangeSession::AnimationWorker(std::stop_token stop) {
    int frame = 0;
    do {
        frame = (frame + 1) % kAnimationFrameCount;
        screen_.ShowAnimationFrame(frame);
        std::unique_lock lock(sleepMutex_);
        sleep_.wait_for(lock, stop, kAnimationFrameTime, [] { return false; });
    } while (!stop.stop_requested());
}

void ExchangeSession::EndExchangeSession() {
    // A stop wakes the worker from its sleep at once, and ShowAnimationFrame never blocks
    // (it only hands the frame to the user-interface thread), so this join takes
    // microseconds, far inside the 1100 ms that an end may take.
    if (animation_.joinable()) {
        animation_.request_stop();
        animation_.join();
    }
    if (windowOpen_) {
        windowOpen_ = !screen_.CloseExchangeWindow();
    }
    // While the window still exists, wndMain stays as it is.
    if (!windowOpen_) {
        screen_.SetMainWindowEnabled(true);
    }
    port_.CloseDevicePort();
}

}  // namespace kavrel
