#include "ui/options_logic.h"

namespace sonarel {

OptionsChoices loadOptions(const Settings& settings) {
    OptionsChoices choices;
    choices.neverSaved = settings.ReadSetting(keys::CurrentName).empty();
    // Option1 is selected in the design; a stored flag may select either,
    // and the custom-name flag, tested last, wins when both are set.
    if (isSet(settings.ReadSetting(keys::CurrentName))) choices.mode = NameMode::CurrentName;
    if (isSet(settings.ReadSetting(keys::CustomName))) choices.mode = NameMode::CustomName;
    choices.texts.Text1 = settings.ReadSetting(keys::CustomNameNotPl);
    choices.texts.Text2 = settings.ReadSetting(keys::CustomNamePl);
    choices.texts.Text3 = settings.ReadSetting(keys::CurrentTag);
    choices.texts.Text4 = settings.ReadSetting(keys::CustomTagPl);
    return choices;
}

void saveOptions(Settings& settings, NameMode mode, const OptionsTexts& texts) {
    switch (mode) {
        case NameMode::CurrentName:
            settings.WriteSetting(keys::CurrentName, flagSet);
            settings.WriteSetting(keys::CustomName, flagClear);
            settings.WriteSetting(keys::CurrentTag, texts.Text3);
            break;
        case NameMode::CustomName:
            settings.WriteSetting(keys::CurrentName, flagClear);
            settings.WriteSetting(keys::CustomName, flagSet);
            settings.WriteSetting(keys::CustomNameNotPl, texts.Text1);
            settings.WriteSetting(keys::CustomNamePl, texts.Text2);
            settings.WriteSetting(keys::CustomTagPl, texts.Text4);
            break;
    }
}

}  // namespace sonarel
