#include "ui/registry_value_text.h"

#include <cstdint>

#include "common/decimal_text.h"

namespace sonarel {

std::string_view valueCharacters(std::string_view buffer, size_t size) {
    std::string_view taken = buffer.substr(0, size);
    if (!taken.empty() && taken.back() == '\0') taken.remove_suffix(1);
    return taken;
}

std::wstring numberValueText(std::string_view characters) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (auto it = characters.rbegin(); it != characters.rend(); ++it) {
        auto byte = static_cast<unsigned char>(*it);
        if (byte >= 0x10) hex += digits[byte >> 4];
        hex += digits[byte & 0x0F];
    }
    uint64_t value = 0;
    for (char digit : hex) value = (value << 4) | static_cast<uint64_t>(std::string_view(digits).find(digit));
    // A literal of up to 16 bits is a signed 16-bit number, one of up to 32
    // bits a signed 32-bit number; anything longer keeps its low 32 bits.
    long long number = value <= 0xFFFF ? static_cast<int16_t>(value) : static_cast<int32_t>(value & 0xFFFFFFFFu);
    return decimalText(number);
}

}  // namespace sonarel
