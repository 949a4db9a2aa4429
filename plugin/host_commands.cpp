#include "plugin/host_commands.h"

#include <algorithm>
#include <array>

namespace sonarel {
namespace {

constexpr std::array<PublishedCommand, 4> table{{
    {L"Options", L"xwinampoptions"},
    {L"About", L"xwinampabout"},
    {L"On", L"xwinampon"},
    {L"Off", L"xwinampoff"},
}};

wchar_t lowerAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool equalIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return std::ranges::equal(a, b, [](wchar_t x, wchar_t y) { return lowerAscii(x) == lowerAscii(y); });
}

}  // namespace

std::optional<PublishedCommand> publishedCommand(long index) {
    if (index < 1 || index > static_cast<long>(table.size())) return std::nullopt;
    return table[static_cast<size_t>(index - 1)];
}

std::optional<HostCommand> recognisedCommand(std::wstring_view typed) {
    if (typed.empty() || typed.front() != L'/') return std::nullopt;
    for (size_t i = 0; i < table.size(); ++i) {
        if (equalIgnoringCase(typed.substr(1), table[i].value)) return static_cast<HostCommand>(i + 1);
    }
    return std::nullopt;
}

}  // namespace sonarel
