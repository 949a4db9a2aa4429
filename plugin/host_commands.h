#pragma once
// The four commands the plug-in offers the host. Free of windows.h.
#include <optional>
#include <string_view>

namespace sonarel {

enum class HostCommand { Options = 1, About = 2, On = 3, Off = 4 };

struct PublishedCommand {
    std::wstring_view name;   // shown to the user
    std::wstring_view value;  // published without the slash
};

inline constexpr long publishedCommandCount = 4;

// The entry for a command index 1 to 4; nothing for any other index.
std::optional<PublishedCommand> publishedCommand(long index);

// The command typed in full, with its slash, in any letter case.
std::optional<HostCommand> recognisedCommand(std::wstring_view typed);

}  // namespace sonarel
