#include "cli/traffic_trace.h"

#include <cstdint>
#include <string>

#include "cli/terminal_screen.h"
#include "config/commands.h"

namespace kavrel::cli {

namespace {

std::string Hex(std::span<const uint8_t> bytes) {
    if (bytes.empty()) {
        return "(nothing)";
    }
    std::string text;
    for (const uint8_t byte : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X ", byte);
        text += digits;
    }
    text.pop_back();
    return text;
}

}  // namespace

TrafficTrace::TrafficTrace(TerminalScreen& screen, std::FILE* trace, Clock::time_point start)
    : screen_(screen), trace_(trace), start_(start) {}

void TrafficTrace::Trace(const TraceEvent& event) {
    if (event.kind == TraceEvent::Kind::Request && event.attempt == 1) {
        screen_.StepBegun();
    }
    if (!trace_) {
        return;
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
    char time[32];
    std::snprintf(time, sizeof time, "%10.3f ms", ms);
    const std::string name = CommandName(event.command);
    std::string line = time;
    switch (event.kind) {
        case TraceEvent::Kind::Request:
            line += "  -> " + Hex(event.bytes) + "  " + name + "  attempt " +
                    std::to_string(event.attempt);
            break;
        case TraceEvent::Kind::Response:
            line += "  <- " + Hex(event.bytes) + "  " + name + "  attempt " +
                    std::to_string(event.attempt);
            break;
        case TraceEvent::Kind::Result:
            line += "  == " + name + "  result " + std::to_string(ErrorNumber(event.result));
            break;
    }
    if (trace_ == stderr) {
        screen_.PrintLine(line);
    } else {
        std::fprintf(trace_, "%s\n", line.c_str());
        std::fflush(trace_);
    }
}

}  // namespace kavrel::cli
