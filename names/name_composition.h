#pragma once
// How the "/name " commands are composed from the stored choices and the
// user's current display name. Free of windows.h.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "settings/settings.h"

namespace sonarel {

inline constexpr std::wstring_view nameCommandPrefix = L"/name ";
inline constexpr std::wstring_view listeningSuffix = L" (!WAT)";

// The user's name without the listening tag: the part before the first
// " " + tag (exact, case-sensitive); the whole name when it does not occur.
std::wstring plainName(std::wstring_view friendlyName, std::wstring_view tag);

// Reads the user's current display name; called only in current-name mode.
using FriendlyNameReader = std::function<std::wstring()>;

// True once the user has chosen how the name is built (a mode flag is set);
// until then there is nothing to compose or send.
bool nameModeChosen(const Settings& settings);

// The command for while a song plays, or nothing when no mode flag is set
// (or, in current-name mode only, the display name is empty). The display
// name counts up to its first NUL. Custom-name
// mode is composed last, so it wins when both flags are set.
std::optional<std::wstring> composeListeningCommand(const Settings& settings, const FriendlyNameReader& friendlyName);

// The command that puts the plain name back; same rules, no suffix.
std::optional<std::wstring> composePlainCommand(const Settings& settings, const FriendlyNameReader& friendlyName);

}  // namespace sonarel
