#pragma once
// Turns fuzzer bytes into the values the pure logic takes.
#include <cstddef>
#include <cstdint>
#include <string>

namespace sonarel::fuzzing {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    std::uint8_t byte() { return empty() ? 0 : data_[pos_++]; }
    // A text of up to maxChars UTF-16 units, drawn two bytes a unit.
    std::wstring text(std::size_t maxChars) {
        std::size_t length = std::min<std::size_t>(byte(), maxChars);
        std::wstring result;
        for (std::size_t i = 0; i < length && !empty(); ++i) {
            wchar_t c = static_cast<wchar_t>(byte() | (byte() << 8));
            result.push_back(c);
        }
        return result;
    }
    // The rest of the input as UTF-16 units.
    std::wstring rest() {
        std::wstring result;
        while (!empty()) result.push_back(static_cast<wchar_t>(byte() | (byte() << 8)));
        return result;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace sonarel::fuzzing
