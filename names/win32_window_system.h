#pragma once
// The name switch's window system: the foreground, activation, hiding,
// the hot key and what the user is doing, through user32, shell32,
// wtsapi32 and dwmapi. The rules themselves are in desktop_rules; the
// watch on the conversation's thread is key_read_watch.
//
// A hide is posted to the conversation's thread and counts as carried out
// only once that thread took it: until then finishPendingHide answers
// false and pressHotKey presses nothing, since the hide, and the
// activation the thread passes on with it, would undo a bring-to-front.
#include <functional>
#include <memory>

#include "names/name_switch.h"

namespace sonarel {

struct KeyBatch;

class Win32WindowSystem final : public WindowSystem {
public:
    Win32WindowSystem();
    Win32WindowSystem(const Win32WindowSystem&) = delete;
    Win32WindowSystem& operator=(const Win32WindowSystem&) = delete;
    ~Win32WindowSystem() override;

    WindowHandle foregroundWindow() override;
    bool exists(WindowHandle window) override;
    bool setForegroundWindow(WindowHandle window) override;
    void hide(WindowHandle window, WindowHandle previousForeground) override;
    // Also false while the last hide is still being carried out.
    bool finishPendingHide() override;
    bool waitUntilAnswering(WindowHandle window, std::chrono::milliseconds within) override;
    bool pressHotKey(WindowHandle into) override;
    KeysFate lastKeys() override;
    UserActivity userActivity() override;
    bool fullScreenInFront() override;
    void claimLastInput() override;

private:
    // Shared with its timer; whichever runs it first leaves it empty.
    std::shared_ptr<std::function<void()>> pendingHide_;
    // The keys the pending hide waits for; none when it waits for none.
    std::shared_ptr<KeyBatch> pendingBatch_;
    // Keys went in since the last hide, and the hide waits for them.
    bool keysPressed_ = false;
    // The last batch pressed, and how many so far.
    std::shared_ptr<KeyBatch> batch_;
    unsigned batches_ = 0;
};

}  // namespace sonarel
