#pragma once
// The name switch's window system: the foreground, activation, hiding,
// the hot key and what the user is doing, through user32, shell32,
// wtsapi32 and dwmapi. The rules themselves are in desktop_rules.
#include <functional>
#include <memory>

#include "names/name_switch.h"

namespace sonarel {

class Win32WindowSystem final : public WindowSystem {
public:
    WindowHandle foregroundWindow() override;
    bool exists(WindowHandle window) override;
    void setForegroundWindow(WindowHandle window) override;
    void hide(WindowHandle window, WindowHandle previousForeground) override;
    bool finishPendingHide() override;
    void waitUntilAnswering(WindowHandle window) override;
    bool pressHotKey(WindowHandle into) override;
    KeysFate lastKeys() override;
    UserActivity userActivity() override;
    bool fullScreenInFront() override;
    void claimLastInput() override;

private:
    // Shared with its timer; whichever runs it first leaves it empty.
    std::shared_ptr<std::function<void()>> pendingHide_;
    WindowHandle pendingWindow_ = 0;
    unsigned long pendingSince_ = 0;  // when its keys went in (GetTickCount)
    // Keys went in since the last hide, and the hide waits for their reading.
    bool keysPressed_ = false;
    // The last batch pressed: where and when, and what became of it once known.
    WindowHandle batchWindow_ = 0;
    unsigned long batchPressedAt_ = 0;
    KeysFate batchFate_ = KeysFate::read;
    bool batchPartial_ = false;
};

}  // namespace sonarel
