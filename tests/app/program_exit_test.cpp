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

TEST(ProgramExit, ClosingTheIdleMainWindowEndsTheProcessWithCodeZero) {
    QProcess program;  // runs with this environment, offscreen
    program.start(qEnvironmentVariable("KAVREL_BIN_DIR") + "/kavrel-configurator");
    // Up once its SIGTERM handler is in place (the "SigCgt" mask of /proc): a SIGTERM
    // before would kill it. Generous bounds: 20 s to come up, then 20 s to end.
    const auto catchesSigterm = [&program] {
        std::ifstream file("/proc/" + std::to_string(program.processId()) + "/status");
        const std::string status{std::istreambuf_iterator<char>(file), {}};
        const std::size_t at = status.find("SigCgt:");
        return at != std::string::npos &&
               (std::stoull(status.substr(at + 7), nullptr, 16) >> (SIGTERM - 1)) & 1U;
    };
    ASSERT_TRUE(QTest::qWaitFor(catchesSigterm, 20'000));
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(20'000));
    EXPECT_EQ(std::pair(program.exitStatus(), program.exitCode()),
              std::pair(QProcess::NormalExit, 0));
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
