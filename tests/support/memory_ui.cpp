#include "tests/support/memory_ui.h"

#include "config/startup_form.h"

namespace kavrel::testing {

MemoryUi::MemoryUi() {
    using namespace startup;
    controls_ = {
        {Control::optSlave, {1, "Ведомый", true, kModeByte}},
        {Control::optAutonomous, {0, "Автономный", true, kModeByte}},
        {Control::strAddress, {0, "0", true, kAddressByte}},
        {Control::chkCountRed, {1, "Вкл.отсчет по красному", true, kIndicationByte}},
        {Control::chkCountGreen, {1, "Вкл.отсчет по зеленому", true, kIndicationByte}},
        {Control::chkIndicationRuAu, {0, "Вкл.индикацию 'РУ' и 'АУ'", true, kIndicationByte}},
        {Control::cmbPulseTime, {kPulseTimeItem, "10", true, kPulseTimeByte}},
        {Control::chkSoundOff, {0, "Отключить звуковое сопровождение", false, kSoundOffByte}},
        {Control::cmbSoundType, {kSoundTypeItem, "Сигнал №1", false, kSoundTypeByte}},
        {Control::strVolume, {0, "100", false, kVolumePercent}},
    };
}

}  // namespace kavrel::testing
