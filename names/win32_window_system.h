#pragma once
// The name switch's window system: foreground window, class names,
// activation, hiding, the hot key and what the user is doing, through
// user32 and shell32.
#include "names/name_switch.h"

namespace sonarel {

class Win32WindowSystem final : public WindowSystem {
public:
    WindowHandle foregroundWindow() override;
    std::wstring className(WindowHandle window) override;
    bool exists(WindowHandle window) override;
    void setForegroundWindow(WindowHandle window) override;
    void hide(WindowHandle window, WindowHandle previousForeground) override;
    bool pressHotKey() override;
    UserActivity userActivity() override;
    bool fullScreenInFront() override;
    void claimLastInput() override;
};

}  // namespace sonarel
