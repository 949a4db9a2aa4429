#pragma once
// Records kept as one text value each, so that a write replaces the whole
// record or nothing of it: fields joined by U+001F, which no name a person
// types holds. Free of windows.h.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonarel {

inline constexpr wchar_t fieldSeparator = L'\x1f';

// None when a field holds the separator: it could not be read back.
std::optional<std::wstring> joinedFields(const std::vector<std::wstring>& fields);

// The first `count - 1` fields end at a separator; the last takes the rest.
// None when there are fewer separators.
std::optional<std::vector<std::wstring>> splitFields(std::wstring_view text, std::size_t count);

// A sign-in name as records are keyed: e-mail addresses ignore letter case.
std::wstring foldedSignin(std::wstring_view signinName);

}  // namespace sonarel
