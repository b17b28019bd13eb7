// The real kavrel-configurator: closing wndMain while idle ends the process with code 0.
// The close request comes from SIGTERM, which the program takes as the operator's close;
// in this process, the signals' handler closes a window without disturbing errno.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>
#include <QWidget>
#include <cerrno>
#include <csignal>
#include <fstream>
#include <iterator>

#include "app/close_on_signal.h"

namespace {

// Whether the process has its SIGTERM handler in place (the "SigCgt" mask of /proc).
bool CatchesSigterm(qint64 pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/status");
    const std::string status{std::istreambuf_iterator<char>(file), {}};
    const std::size_t at = status.find("SigCgt:");
    return at != std::string::npos &&
           (std::stoull(status.substr(at + 7), nullptr, 16) >> (SIGTERM - 1)) & 1U;
}

TEST(ProgramExit, ClosingTheIdleMainWindowEndsTheProcessWithCodeZero) {
    QProcess program;  // runs with this environment, offscreen
    program.start(qEnvironmentVariable("KAVREL_BIN_DIR") + "/kavrel-configurator");
    // Generous bounds: 20 s to come up (a SIGTERM before would kill it), then 20 s to end.
    ASSERT_TRUE(QTest::qWaitFor([&] { return CatchesSigterm(program.processId()); }, 20'000));
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(20'000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

TEST(ProgramExit, SignalsCloseTheWindowAndLeaveErrnoAsItWasEvenWhenTheirByteFindsNoRoom) {
    QWidget window;
    window.show();
    kavrel::CloseOnSignal closeOnSignal(window);
    // With no event processed meanwhile, the pipe fills after a few hundred signals (even the
    // largest socket buffer takes far fewer than these) and the handler's later writes fail.
    for (int signal = 0; signal < 20'000; ++signal) {
        errno = EDOM;
        ASSERT_EQ(raise(signal % 2 ? SIGTERM : SIGINT), 0);
        ASSERT_EQ(errno, EDOM) << "after signal " << signal;
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 20'000));
}

}  // namespace
