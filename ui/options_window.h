#pragma once
// frmOptions: the choice of name mode and the texts for it.
#include <windows.h>

#include <optional>

#include "settings/settings.h"
#include "ui/form_frame.h"
#include "ui/options_logic.h"
#include "ui/pictures.h"

namespace sonarel {

class frmOptions {
public:
    frmOptions(Settings& settings, HWND owner) : settings_(settings), owner_(owner), frame_(optionsDesign()) {}
    frmOptions(const frmOptions&) = delete;
    frmOptions& operator=(const frmOptions&) = delete;

    // Creates the window and runs the load handler: a window that was never
    // saved shows at once, any other comes up minimised.
    void load();
    // Shows the loaded window and returns when it is closed.
    void showModal() { frame_.showModal(neverSaved_ ? SW_SHOWNORMAL : SW_SHOWMINIMIZED); }
    void bringToFront() const { frame_.bringToFront(); }
    HWND handle() const { return frame_.handle(); }
    // True once "Save!!!" stored the choices.
    bool saved() const { return saved_; }

    std::optional<LRESULT> onMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    static FormDesign optionsDesign();
    void createControls();
    void select(NameMode mode);
    NameMode selectedMode() const;
    OptionsTexts texts() const;
    void setTexts(const OptionsTexts& texts);
    void save();

    Settings& settings_;
    HWND owner_;
    bool neverSaved_ = true;
    bool saved_ = false;
    UniqueIcon bigIcon_, smallIcon_;
    UniqueGdi<HFONT> font_;
    FormFrame frame_;  // last: the window goes before its font and icons
};

}  // namespace sonarel
