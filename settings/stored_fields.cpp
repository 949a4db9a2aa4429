#include "settings/stored_fields.h"

#include <algorithm>

namespace sonarel {

std::optional<std::wstring> joinedFields(const std::vector<std::wstring>& fields) {
    std::wstring text;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].find(fieldSeparator) != std::wstring::npos) return std::nullopt;
        if (i > 0) text += fieldSeparator;
        text += fields[i];
    }
    return text;
}

std::optional<std::vector<std::wstring>> splitFields(std::wstring_view text, std::size_t count) {
    std::vector<std::wstring> fields;
    while (fields.size() + 1 < count) {
        auto end = text.find(fieldSeparator);
        if (end == std::wstring_view::npos) return std::nullopt;
        fields.emplace_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    fields.emplace_back(text);
    return fields;
}

std::wstring foldedSignin(std::wstring_view signinName) {
    std::wstring folded(signinName);
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; });
    return folded;
}

}  // namespace sonarel
