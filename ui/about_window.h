#pragma once
// frmAbout: the plug-in's title and version, the developer's details and
// links, a legal warning, "OK" and "System Info".
#include <windows.h>

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "ui/form_frame.h"
#include "ui/pictures.h"

namespace sonarel {

// What the window's buttons and links set going; tests replace them.
struct AboutActions {
    std::function<void(HWND about)> startSysInfo;
    std::function<void(const std::string& target)> openLink;
};

// The real ones: the System Information tool and the shell's handler.
AboutActions systemAboutActions();

class frmAbout {
public:
    frmAbout(HWND owner, AboutActions actions = systemAboutActions());
    frmAbout(const frmAbout&) = delete;
    frmAbout& operator=(const frmAbout&) = delete;

    // Creates the window and runs the load handler.
    void load();
    // Shows the loaded window and returns when it is closed.
    void showModal() { frame_.showModal(SW_SHOWNORMAL); }
    void bringToFront() const { frame_.bringToFront(); }
    HWND handle() const { return frame_.handle(); }

    std::optional<LRESULT> onMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    enum Font { Title, Version, Heading, Small, Buttons, FontCount };

    void createControls();
    void onCommand(int id, int notification);
    void onTimer1();
    void paintLine(HWND window) const;
    std::optional<LRESULT> drawPicture(const DRAWITEMSTRUCT& item) const;
    bool isLink(HWND control) const;

    HWND owner_;
    AboutActions actions_;
    UniqueIcon icon_;
    std::array<UniqueGdi<HFONT>, FontCount> fonts_;
    FormFrame frame_;  // last: the window goes before its fonts and icon
};

}  // namespace sonarel
