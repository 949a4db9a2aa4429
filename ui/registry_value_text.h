#pragma once
// How the System Information lookup turns the bytes of a registry value
// into text. Free of windows.h.
#include <string>
#include <string_view>

namespace sonarel {

// The characters of a value read into a buffer of `size` bytes: a
// terminating NUL is dropped, an unterminated value stays whole.
std::string_view valueCharacters(std::string_view buffer, size_t size);

// The text given for a number value (no caller reads it): the hexadecimal
// digits of the characters taken from last to first, each without a
// leading zero, read back as a hexadecimal number literal (16-bit when it
// fits, 32-bit otherwise) and written in decimal.
std::wstring numberValueText(std::string_view characters);

}  // namespace sonarel
