#include "names/name_composition.h"

#include <algorithm>
#include <utility>

namespace sonarel {
namespace {

std::wstring concat(std::initializer_list<std::wstring_view> parts) {
    std::wstring text;
    for (auto part : parts) text += part;
    return text;
}

bool isHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

std::wstring_view trimmed(std::wstring_view text) {
    auto first = text.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) return {};
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

std::wstring collapsedBlanks(std::wstring_view text) {
    std::wstring collapsed;
    for (wchar_t c : text)
        if (c != L' ' || collapsed.empty() || collapsed.back() != L' ') collapsed += c;
    return collapsed;
}

bool onlyBlanks(std::wstring_view text) {
    return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c == L' '; });
}

// Current-name mode: the plain name of the name showing, and the tag.
// Nothing when the display name is empty or cannot be read.
std::optional<std::pair<std::wstring, std::wstring>> currentNameParts(const Settings& settings,
                                                                      const ShowingName& showing) {
    std::wstring tag = settings.ReadSetting(keys::CurrentTag);
    if (showing.replacedName) return std::pair{*showing.replacedName, tag};
    if (!showing.displayName || showing.displayName->empty()) return std::nullopt;
    return std::pair{plainName(*showing.displayName, tag), tag};
}

}  // namespace

std::wstring shortened(std::wstring_view text, std::size_t room) {
    if (text.size() <= room) return std::wstring(text);
    if (room == 0) return {};
    std::size_t kept = room - 1;
    if (kept > 0 && isHighSurrogate(text[kept - 1])) --kept;
    return std::wstring(text.substr(0, kept)) + shortenedMark;
}

std::wstring plainName(std::wstring_view friendlyName, std::wstring_view tag) {
    std::wstring marker = onlyBlanks(tag) ? concat({L" ", tag, listeningSuffix}) : concat({L" ", tag});
    auto cut = friendlyName.find(marker);
    if (cut != std::wstring_view::npos) return std::wstring(friendlyName.substr(0, cut));
    // Not found as sent: a messenger that collapses blanks shows " (!WAT)"
    // where an empty tag left two, and the name would grow by it each time.
    std::wstring shown = collapsedBlanks(friendlyName);
    cut = shown.find(collapsedBlanks(marker));
    return cut == std::wstring::npos ? std::wstring(friendlyName) : shown.substr(0, cut);
}

std::wstring listeningName(std::wstring_view name, std::wstring_view tag) {
    constexpr std::size_t limit = maxDisplayNameLength;
    const std::size_t around = 1 + listeningSuffix.size();  // the blank before the tag, and the suffix
    if (name.size() + tag.size() + around <= limit) return concat({name, L" ", tag, listeningSuffix});
    if (tag.size() + around < limit)
        return concat({shortened(name, limit - around - tag.size()), L" ", tag, listeningSuffix});
    // The tag alone leaves no room: the name keeps its first unit or its mark.
    std::wstring shortName = shortened(name, 1);
    return concat({shortName, L" ", shortened(tag, limit - around - shortName.size()), listeningSuffix});
}

std::wstring nameCommand(std::wstring_view name) { return concat({nameCommandPrefix, name}); }

std::wstring shownForm(std::wstring_view name) { return collapsedBlanks(trimmed(name)); }

bool showsName(const std::optional<std::wstring>& showing, std::wstring_view name) {
    return showing && shownForm(*showing) == shownForm(name);
}

bool isBlankName(std::wstring_view name) { return onlyBlanks(name); }

bool nameModeChosen(const Settings& settings) {
    return isSet(settings.ReadSetting(keys::CurrentName)) || isSet(settings.ReadSetting(keys::CustomName));
}

std::optional<ListeningNameChoice> composeListeningName(const Settings& settings, const ShowingName& showing) {
    std::optional<ListeningNameChoice> choice;
    if (isSet(settings.ReadSetting(keys::CurrentName))) {
        if (auto parts = currentNameParts(settings, showing))
            choice = ListeningNameChoice{listeningName(parts->first, parts->second), parts->first};
    }
    if (isSet(settings.ReadSetting(keys::CustomName))) {
        std::wstring before = showing.replacedName.value_or(showing.displayName.value_or(L""));
        choice = ListeningNameChoice{
            listeningName(settings.ReadSetting(keys::CustomNamePl), settings.ReadSetting(keys::CustomTagPl)), before};
    }
    return choice;
}

std::optional<std::wstring> composePlainName(const Settings& settings, const ShowingName& showing) {
    std::optional<std::wstring> name;
    if (isSet(settings.ReadSetting(keys::CurrentName))) {
        if (auto parts = currentNameParts(settings, showing)) name = shortened(parts->first, maxDisplayNameLength);
    }
    if (isSet(settings.ReadSetting(keys::CustomName)))
        name = shortened(settings.ReadSetting(keys::CustomNameNotPl), maxDisplayNameLength);
    return name;
}

}  // namespace sonarel
