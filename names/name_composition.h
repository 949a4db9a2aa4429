#pragma once
// How the display names are composed from the stored choices, the name
// showing now and the name an earlier listening name replaced. Free of
// windows.h.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "settings/settings.h"

namespace sonarel {

inline constexpr std::wstring_view nameCommandPrefix = L"/name ";
inline constexpr std::wstring_view listeningSuffix = L" (!WAT)";
// The messenger refuses a longer display name (UTF-16 units); one that
// shortens it instead would cut the tag, and the next restore would not
// find it.
inline constexpr std::size_t maxDisplayNameLength = 129;
inline constexpr wchar_t shortenedMark = L'\u2026';

// The text cut to at most `room` UTF-16 units, ending in "…" where it was
// cut, and never inside a surrogate pair.
std::wstring shortened(std::wstring_view text, std::size_t room);

// The user's name without the listening tag: the part before the first
// " " + tag (exact, case-sensitive); the whole name when it does not occur.
// A tag that is empty or only blanks would cut the name at a bare blank,
// so then the cut is made before " " + tag + " (!WAT)" instead. Where the
// messenger collapsed runs of blanks, the cut is made in the name as shown.
std::wstring plainName(std::wstring_view friendlyName, std::wstring_view tag);

// name + " " + tag + " (!WAT)", at most maxDisplayNameLength long: the name
// is shortened first, then the tag; " (!WAT)" always stays whole.
std::wstring listeningName(std::wstring_view name, std::wstring_view tag);

// What the names are composed from besides the stored choices.
struct ShowingName {
    // The display name showing now; none when it cannot be read.
    std::optional<std::wstring> displayName{};
    // The name that the listening name showing now replaced, when it is one
    // this plug-in sent: a restore gives back exactly that.
    std::optional<std::wstring> replacedName{};
};

struct ListeningNameChoice {
    std::wstring name;
    // The name it replaces, to be given back by the restore.
    std::wstring replacedName;
};

// True once the user has chosen how the name is built (a mode flag is set);
// until then there is nothing to compose or send.
bool nameModeChosen(const Settings& settings);

// The name for while a song plays, or nothing when no mode flag is set
// (or, in current-name mode only, the display name is empty or cannot be
// read). Custom-name mode is composed last, so it wins when both flags are
// set.
std::optional<ListeningNameChoice> composeListeningName(const Settings& settings, const ShowingName& showing);

// The plain name to put back; same rules, no suffix.
std::optional<std::wstring> composePlainName(const Settings& settings, const ShowingName& showing);

// "/name " + name.
std::wstring nameCommand(std::wstring_view name);

// The name as messengers show it: blanks at either end trimmed, and runs of
// blanks inside collapsed to one.
std::wstring shownForm(std::wstring_view name);

// True when the display name showing is the name as a messenger shows it;
// letter case counts.
bool showsName(const std::optional<std::wstring>& showing, std::wstring_view name);

// True for a name that is empty or only blanks: no name to ask for.
bool isBlankName(std::wstring_view name);

}  // namespace sonarel
