#pragma once

namespace kavrel {

class Form;

// The rules that keep wndMain's value bytes in step with what its controls show while the
// operator edits. Each depends only on the controls' current states, so running one twice
// changes nothing.

// Mode byte on both options (1 slave, 2 autonomous); the address field and the 'РУ'/'АУ'
// box are usable in slave mode only, and keep their contents while disabled.
void ApplyModeRule(Form& form);

// Indication byte on all three boxes: 1 red countdown + 2 green countdown + 4 'РУ'/'АУ';
// a disabled box counts with the state it shows.
void ApplyIndicationRule(Form& form);

// Pulse-time byte: 255 for "Выкл.", otherwise the number the item shows (3 to 20).
void ApplyPulseTimeRule(Form& form);

}  // namespace kavrel
