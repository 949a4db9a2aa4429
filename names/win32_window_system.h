#pragma once
// The name switch's window system: foreground window, class names,
// activation, hiding and the hot key, through user32.
#include "names/name_switch.h"

#include <cstddef>

namespace sonarel {

// Hides scheduled on this thread that have not run yet, so that a long run
// can show that none is left behind.
std::size_t pendingWindowHides();

class Win32WindowSystem final : public WindowSystem {
public:
    WindowHandle foregroundWindow() override;
    std::wstring className(WindowHandle window) override;
    void setForegroundWindow(WindowHandle window) override;
    void hide(WindowHandle window) override;
    void pressHotKey() override;
};

}  // namespace sonarel
