#include "names/name_composition.h"

namespace sonarel {
namespace {

std::wstring concat(std::initializer_list<std::wstring_view> parts) {
    std::wstring text;
    for (auto part : parts) text += part;
    return text;
}

// Current-name mode: the plain name of the display name, and the tag.
// Nothing when the display name is empty or cannot be read.
std::optional<std::pair<std::wstring, std::wstring>> currentNameParts(const Settings& settings,
                                                                      const FriendlyNameReader& friendlyName) {
    std::wstring name;
    try {
        name = friendlyName();
    } catch (...) {
        return std::nullopt;  // a failing read composes nothing
    }
    // Text functions end a name at a NUL; what follows it is no part of the name.
    if (auto nul = name.find(L'\0'); nul != std::wstring::npos) name.resize(nul);
    std::wstring tag = settings.ReadSetting(keys::CurrentTag);
    if (name.empty()) return std::nullopt;
    return std::pair{plainName(name, tag), tag};
}

}  // namespace

std::wstring plainName(std::wstring_view friendlyName, std::wstring_view tag) {
    std::wstring marker = concat({L" ", tag});
    return std::wstring(friendlyName.substr(0, friendlyName.find(marker)));
}

bool nameModeChosen(const Settings& settings) {
    return isSet(settings.ReadSetting(keys::CurrentName)) || isSet(settings.ReadSetting(keys::CustomName));
}

std::optional<std::wstring> composeListeningCommand(const Settings& settings, const FriendlyNameReader& friendlyName) {
    std::optional<std::wstring> command;
    if (isSet(settings.ReadSetting(keys::CurrentName))) {
        if (auto parts = currentNameParts(settings, friendlyName))
            command = concat({nameCommandPrefix, parts->first, L" ", parts->second, listeningSuffix});
    }
    if (isSet(settings.ReadSetting(keys::CustomName))) {
        command = concat({nameCommandPrefix, settings.ReadSetting(keys::CustomNamePl), L" ",
                          settings.ReadSetting(keys::CustomTagPl), listeningSuffix});
    }
    return command;
}

std::optional<std::wstring> composePlainCommand(const Settings& settings, const FriendlyNameReader& friendlyName) {
    std::optional<std::wstring> command;
    if (isSet(settings.ReadSetting(keys::CurrentName))) {
        if (auto parts = currentNameParts(settings, friendlyName)) command = concat({nameCommandPrefix, parts->first});
    }
    if (isSet(settings.ReadSetting(keys::CustomName)))
        command = concat({nameCommandPrefix, settings.ReadSetting(keys::CustomNameNotPl)});
    return command;
}

}  // namespace sonarel
