#include "ui/modal_display.h"

#include "common/win32.h"

namespace sonarel {

HWND activePluginWindow() {
    HWND active = GetActiveWindow();
    if (!active) return nullptr;
    auto instance = reinterpret_cast<HMODULE>(GetWindowLongPtrW(active, GWLP_HINSTANCE));
    return instance == thisModule() ? active : nullptr;
}

OwnerLock::OwnerLock(HWND owner) {
    // An owner that is disabled already belongs to someone else's lock.
    if (owner && IsWindowEnabled(owner)) {
        EnableWindow(owner, FALSE);
        owner_ = owner;
    }
}

OwnerLock& OwnerLock::operator=(OwnerLock&& other) noexcept {
    if (this != &other) {
        release();
        owner_ = std::exchange(other.owner_, nullptr);
    }
    return *this;
}

void OwnerLock::release() noexcept {
    if (HWND owner = std::exchange(owner_, nullptr)) EnableWindow(owner, TRUE);
}

void runModalLoop(HWND window, const std::function<bool()>& isOpen) {
    MSG message{};
    while (isOpen()) {
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (got == -1) return;
        if (isOpen() && IsDialogMessageW(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace sonarel
