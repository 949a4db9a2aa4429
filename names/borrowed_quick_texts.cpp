#include "names/borrowed_quick_texts.h"

#include "names/quick_text_registry.h"
#include "settings/settings_store.h"

namespace sonarel {

void giveBackBorrowedQuickTexts() {
    SettingsStore settings;
    CurrentUserQuickTexts quickTexts;
    QuickTextLoan(settings, quickTexts).giveBackEvery();
}

}  // namespace sonarel
