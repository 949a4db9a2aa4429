#pragma once
// The name the plug-in publishes to the host and shows in its windows.
#include <string_view>

namespace sonarel {

inline constexpr std::wstring_view pluginDisplayName = L"Sonarel Plugin";

}  // namespace sonarel
