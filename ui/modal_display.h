#pragma once
// Modal display of the plug-in's windows on the host's thread.
#include <windows.h>

#include <functional>
#include <utility>

namespace sonarel {

// The calling thread's active window when it is one of this module's
// windows; null otherwise. A modal window is owned by it.
HWND activePluginWindow();

// Keeps the owner of a modal window disabled while the window is open.
class OwnerLock {
public:
    OwnerLock() = default;
    explicit OwnerLock(HWND owner);
    OwnerLock(const OwnerLock&) = delete;
    OwnerLock& operator=(const OwnerLock&) = delete;
    OwnerLock(OwnerLock&& other) noexcept : owner_(std::exchange(other.owner_, nullptr)) {}
    OwnerLock& operator=(OwnerLock&& other) noexcept;
    ~OwnerLock() { release(); }

    // Enables the owner again; do this before the modal window goes, so
    // that activation returns to the owner.
    void release() noexcept;

private:
    HWND owner_ = nullptr;
};

// Delivers the calling thread's messages (timers, COM calls, other
// windows) until isOpen() turns false. Keys for the window go through the
// dialog manager first: Tab moves between its controls, Escape arrives as
// IDCANCEL. A quit request ends the loop and is passed on to the next.
void runModalLoop(HWND window, const std::function<bool()>& isOpen);

}  // namespace sonarel
