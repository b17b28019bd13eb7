#include "config/commands.h"

#include <utility>

namespace kavrel {

std::string CommandName(uint8_t command) {
    static constexpr std::pair<uint8_t, const char*> kNames[] = {
        {CMD_TEST, "CMD_TEST"},
        {CMD_SET_INDICATION, "CMD_SET_INDICATION"},
        {CMD_SET_PULSE_TIME, "CMD_SET_PULSE_TIME"},
        {CMD_SET_MODE, "CMD_SET_MODE"},
        {CMD_SET_SOUND_OFF, "CMD_SET_SOUND_OFF"},
        {CMD_SET_SOUND_TYPE, "CMD_SET_SOUND_TYPE"},
        {CMD_COMMIT, "CMD_COMMIT"},
        {CMD_GET_INDICATION, "CMD_GET_INDICATION"},
        {CMD_GET_PULSE_TIME, "CMD_GET_PULSE_TIME"},
        {CMD_GET_MODE, "CMD_GET_MODE"},
        {CMD_GET_SOUND_OFF, "CMD_GET_SOUND_OFF"},
        {CMD_GET_SOUND_TYPE, "CMD_GET_SOUND_TYPE"},
        {CMD_SET_ADDRESS, "CMD_SET_ADDRESS"},
        {CMD_GET_ADDRESS, "CMD_GET_ADDRESS"},
        {CMD_GET_CLASS, "CMD_GET_CLASS"},
        {CMD_GET_VERSION, "CMD_GET_VERSION"},
        {CMD_RESET, "CMD_RESET"},
        {CMD_SET_VOLUME, "CMD_SET_VOLUME"},
        {CMD_GET_VOLUME, "CMD_GET_VOLUME"},
        {CMD_BEGIN_READ, "CMD_BEGIN_READ"},
    };
    for (const auto& [code, name] : kNames) {
        if (code == command) {
            return name;
        }
    }
    return "command " + std::to_string(command);
}

}  // namespace kavrel
