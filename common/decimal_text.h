#pragma once
// A whole number as decimal text, without the C runtime's formatted
// printing (which would more than double the size of the plug-in).
#include <cstdint>
#include <string>

namespace sonarel {

inline std::wstring decimalText(std::int64_t number) {
    std::uint64_t magnitude = number < 0 ? 0 - static_cast<std::uint64_t>(number) : static_cast<std::uint64_t>(number);
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (number < 0) digits.insert(digits.begin(), L'-');
    return digits;
}

}  // namespace sonarel
