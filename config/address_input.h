#pragma once

#include <cstdint>
#include <string_view>

namespace kavrel {

class Form;
class Screen;

inline constexpr int kMaxAddress = 254;

// The number at the start of an address text: blanks and tabs skipped, an optional sign,
// then decimal digits, or hexadecimal after "$", or binary after "%", up to the first
// other character. Text without digits reads 0; a number too large saturates.
int64_t ReadAddressNumber(std::string_view text);

// 0..254. A negative reading is out of range too: its low byte must never go out as an
// address.
inline bool IsAddress(int64_t number) {
    return number >= 0 && number <= kMaxAddress;
}

// Whether strAddress reads as an address; if not, tells the operator and returns false.
// (CheckAddressInput, which keeps the value byte in step with the text, is in operations.h.)
bool ValidateBeforeWrite(const Form& form, Screen& screen);

}  // namespace kavrel
