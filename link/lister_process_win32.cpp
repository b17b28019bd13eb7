#include <windows.h>

#include <chrono>

#include "link/lister_process.h"
#include "link/utf16_win32.h"

namespace kavrel {

const std::string_view kListerFileName = "Zorvik.exe";

namespace {

constexpr auto kKilledListerGrace = std::chrono::milliseconds(500);

DWORD Milliseconds(std::chrono::milliseconds duration) {
    return static_cast<DWORD>(duration.count());
}

// A job whose processes all end when it is closed or terminated.
HANDLE MakeJob() {
    const HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job) {
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    return job;
}

}  // namespace

bool RunAndWait(const std::string& path) {
    // No application name: the quoted path is the whole command line, so a folder with
    // blanks cannot make Windows start another program.
    std::wstring commandLine = L"\"" + Utf16(path) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // Started suspended and put into its job before it runs, so everything it starts is in
    // the job too; no console window flashes up over the configurator.
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    const HANDLE job = MakeJob();
    if (job) {
        AssignProcessToJobObject(job, process.hProcess);  // refused when jobs cannot nest
    }
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);

    if (WaitForSingleObject(process.hProcess, Milliseconds(kListerTimeout)) != WAIT_OBJECT_0) {
        if (job) {
            TerminateJobObject(job, 1);
        }
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, Milliseconds(kKilledListerGrace));
    }
    CloseHandle(process.hProcess);
    if (job) {
        CloseHandle(job);
    }
    return true;
}

}  // namespace kavrel
