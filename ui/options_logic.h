#pragma once
// What the Options window shows when it loads and what "Save!!!" stores.
// Free of windows.h.
#include <string>

#include "settings/settings.h"

namespace sonarel {

// The two option buttons: exactly one is selected at any time.
enum class NameMode {
    CurrentName,  // Option1, "Use Current name and..."
    CustomName,   // Option2, "Use This Name..."
};

// The four text boxes, named as on the window.
struct OptionsTexts {
    std::wstring Text1;  // CustomNameNotPl
    std::wstring Text2;  // CustomNamePl
    std::wstring Text3;  // CurrentTag
    std::wstring Text4;  // CustomTagPl

    bool operator==(const OptionsTexts&) const = default;
};

struct OptionsChoices {
    // Never saved: the window comes up at once in the normal state;
    // otherwise it comes up minimised.
    bool neverSaved = true;
    NameMode mode = NameMode::CurrentName;
    OptionsTexts texts;
};

// Reads the store as the window loads: the mode flags first, then the four
// texts, whichever mode is chosen.
OptionsChoices loadOptions(const Settings& settings);

// Stores the chosen mode's flags and texts; the other mode's texts stay as
// they are in the store.
void saveOptions(Settings& settings, NameMode mode, const OptionsTexts& texts);

}  // namespace sonarel
