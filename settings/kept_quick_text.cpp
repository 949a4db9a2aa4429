#include "settings/kept_quick_text.h"

#include <cwchar>

#include "common/decimal_text.h"
#include "settings/stored_fields.h"

namespace sonarel {
namespace {

constexpr std::wstring_view hexDigits = L"0123456789abcdef";

std::wstring encodedValue(const std::optional<RegistryValue>& value) {
    if (!value) return L"-";
    std::wstring text = decimalText(value->type) + L":";
    for (std::uint8_t byte : value->data) {
        text += hexDigits[byte >> 4];
        text += hexDigits[byte & 0xf];
    }
    return text;
}

std::optional<std::uint8_t> hexByte(wchar_t high, wchar_t low) {
    auto h = hexDigits.find(high), l = hexDigits.find(low);
    if (h == std::wstring_view::npos || l == std::wstring_view::npos) return std::nullopt;
    return static_cast<std::uint8_t>(h * 16 + l);
}

// Outer none: not a value as encoded; inner none: no value.
std::optional<std::optional<RegistryValue>> decodedValue(std::wstring_view text) {
    if (text == L"-") return std::optional<RegistryValue>{};
    auto colon = text.find(L':');
    if (colon == 0 || colon == std::wstring_view::npos || colon > 10) return std::nullopt;
    RegistryValue value;
    for (wchar_t c : text.substr(0, colon)) {
        if (c < L'0' || c > L'9') return std::nullopt;
        std::uint64_t type = value.type * std::uint64_t{10} + static_cast<std::uint32_t>(c - L'0');
        if (type > UINT32_MAX) return std::nullopt;
        value.type = static_cast<std::uint32_t>(type);
    }
    std::wstring_view hex = text.substr(colon + 1);
    if (hex.size() % 2 != 0) return std::nullopt;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        auto byte = hexByte(hex[i], hex[i + 1]);
        if (!byte) return std::nullopt;
        value.data.push_back(*byte);
    }
    return std::optional<RegistryValue>(std::move(value));
}

}  // namespace

RegistryValue textValue(std::wstring_view text) {
    RegistryValue value{registryText, {}};
    for (wchar_t c : text) {
        value.data.push_back(static_cast<std::uint8_t>(c & 0xff));
        value.data.push_back(static_cast<std::uint8_t>((c >> 8) & 0xff));
    }
    value.data.insert(value.data.end(), {0, 0});
    return value;
}

std::optional<std::wstring> textOf(const RegistryValue& value) {
    if (value.type != registryText) return std::nullopt;
    std::wstring text;
    for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
        auto c = static_cast<wchar_t>(value.data[i] | (value.data[i + 1] << 8));
        if (c == L'\0') break;
        text += c;
    }
    return text;
}

std::wstring keptQuickTextKey(std::wstring_view signinName) {
    return std::wstring(keys::KeptQuickTextPrefix) + foldedSignin(signinName);
}

std::wstring encodeKeptQuickText(const KeptQuickText& kept) {
    // The command is the last field and may hold anything.
    return encodedValue(kept.message) + fieldSeparator + encodedValue(kept.autoSend) + fieldSeparator + kept.written;
}

std::optional<KeptQuickText> decodeKeptQuickText(std::wstring_view text) {
    auto fields = splitFields(text, 3);
    if (!fields) return std::nullopt;
    auto message = decodedValue((*fields)[0]);
    auto autoSend = decodedValue((*fields)[1]);
    if (!message || !autoSend) return std::nullopt;
    return KeptQuickText{std::move(*message), std::move(*autoSend), std::move((*fields)[2])};
}

}  // namespace sonarel
