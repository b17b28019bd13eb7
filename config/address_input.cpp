#include "config/address_input.h"

#include <limits>

#include "config/commands.h"
#include "config/config_texts.h"
#include "config/form.h"
#include "config/operations.h"
#include "link/screen.h"

namespace kavrel {

namespace {

constexpr int64_t kSaturated = std::numeric_limits<int64_t>::max();

int DigitValue(char c, int base) {
    int value = base;  // not a digit of any base
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < base ? value : -1;
}

}  // namespace

int64_t ReadAddressNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && (text[i] == '$' || text[i] == '%')) {
        base = text[i] == '$' ? 16 : 2;
        ++i;
    }
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i], base);
        if (digit < 0) {
            break;
        }
        magnitude = magnitude > (kSaturated - digit) / base ? kSaturated : magnitude * base + digit;
    }
    return negative ? -magnitude : magnitude;
}

void CheckAddressInput(Form& form) {
    const int64_t number = ReadAddressNumber(form.Text(Control::strAddress));
    form.SetValueByte(Control::strAddress,
                      IsAddress(number) ? static_cast<int>(number) : INVALID_INPUT);
}

bool ValidateBeforeWrite(const Form& form, Screen& screen) {
    if (IsAddress(ReadAddressNumber(form.Text(Control::strAddress)))) {
        return true;
    }
    screen.ShowMessage(MessageIcon::Warning, std::string(texts::kInvalidAddressTitle),
                       std::string(texts::kInvalidAddress));
    return false;
}

}  // namespace kavrel
