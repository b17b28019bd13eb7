#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kavrel::sim {

// The unit's memory, in the device's own coding.
struct Settings {
    uint8_t mode = 1;        // 1 slave, 2 autonomous
    uint8_t address = 0;     // 0..254
    uint8_t indication = 3;  // bit 0 red, bit 1 green, bit 2 'РУ'/'АУ'
    uint8_t pulseTime = 10;  // 3..20, 255 off
    uint8_t soundOff = 0;    // 1 off
    uint8_t soundType = 1;   // 1..3
    uint8_t volume = 255;    // 0..255
    bool operator==(const Settings&) const = default;
};

struct DeviceModel {
    Settings settings;  // what reads answer and writes change
    uint8_t deviceClass = 2;
    uint8_t firmwareVersion = 7;
};

// What the unit does wrong when answering one command (or every command: kAnyCommand).
enum class FaultKind {
    NoAnswer,         // stays silent
    Delay,            // answers after `param` ms
    Split,            // sends the first two bytes, waits `param` ms, sends the rest
    BadStartByte,     // first byte 0x6F instead of 0x6E, the checksum made to match
    BadChecksum,      // last byte off by one
    OneByte,          // answers the single byte 0x6E
    OverLong,         // answers `param` bytes (more than 90), a valid frame of that length
                      // whose first 90 bytes also check (a checksum at offset 89)
    StaleAfter,       // answers, then 20 ms later sends `param` junk bytes that wait as stale
                      // input for the next request
    Refuse,           // data byte `param` instead of the acknowledgement 26 (writes and
                      // actions only; the write is not stored)
    ReadBackDiffers,  // a read of a setting answers the stored value + 1 (mod 256)
    Noise,            // answers `param` bytes of noise (90 when not given) in one burst;
                      // the first byte is never 0x6E, so no noise passes for an answer
    PullCable,        // `startDelay` ms after the request the unit closes its side of the
                      // line, as a pulled cable does, and answers nothing ever after
};

inline constexpr int kAnyCommand = -1;

struct Fault {
    int command = kAnyCommand;  // command code, or kAnyCommand
    FaultKind kind = FaultKind::NoAnswer;
    int param = 0;
    int times = -1;      // how many answers it affects; -1 for all
    int startDelay = 0;  // ms before the (faulty) answer begins, for any kind
};

struct LoggedRequest {
    std::chrono::steady_clock::time_point time;  // when its last byte arrived
    std::vector<uint8_t> bytes;                  // the whole frame as received
    uint8_t command = 0;
    uint8_t value = 0;
};

// A simulated unit on a pseudo-terminal, answering on a thread of its own: requests are
// 5-byte frames 6E FF cmd value checksum; answers are 6E FF data checksum.
class SimulatedUnit {
  public:
    explicit SimulatedUnit(DeviceModel model = {});
    ~SimulatedUnit();  // stops the thread and closes both ends
    SimulatedUnit(const SimulatedUnit&) = delete;
    SimulatedUnit& operator=(const SimulatedUnit&) = delete;

    // The path the configurator opens, e.g. /dev/pts/5.
    const std::string& SlavePath() const;

    void AddFault(const Fault& fault);
    void ClearFaults();
    // Bytes written to the line right now, unasked (stale input for the next request).
    void SendUnasked(const std::vector<uint8_t>& bytes);

    DeviceModel Model() const;
    void SetModel(const DeviceModel& model);
    std::vector<LoggedRequest> Log() const;
    std::vector<uint8_t> LoggedCommands() const;  // just the command codes, in order
    void ClearLog();
    int CommitCount() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kavrel::sim
