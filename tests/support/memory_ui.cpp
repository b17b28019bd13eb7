#include "tests/support/memory_ui.h"

#include "config/startup_form.h"

namespace kavrel::testing {

MemoryUi::MemoryUi() {
    using namespace startup;
    controls_ = {
        {Control::optSlave, {1, kModeByte, "Ведомый"}},
        {Control::optAutonomous, {0, kModeByte, "Автономный"}},
        {Control::strAddress, {0, kAddressByte, "0"}},
        {Control::chkCountRed, {1, kIndicationByte, "Вкл.отсчет по красному"}},
        {Control::chkCountGreen, {1, kIndicationByte, "Вкл.отсчет по зеленому"}},
        {Control::chkIndicationRuAu, {0, kIndicationByte, "Вкл.индикацию 'РУ' и 'АУ'"}},
        {Control::cmbPulseTime, {kPulseTimeItem, kPulseTimeByte, "10"}},
        {Control::chkSoundOff, {0, kSoundOffByte, "Отключить звуковое сопровождение"}},
        {Control::cmbSoundType, {kSoundTypeItem, kSoundTypeByte, "Сигнал №1"}},
        {Control::strVolume, {0, kVolumePercent, "100"}},
    };
}

}  // namespace kavrel::testing
