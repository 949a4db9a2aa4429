#pragma once
// The player watcher: the one-second tick, the two title readers and the
// decision when to switch the display name or put it back. Free of
// windows.h: the window system and the name switcher are reached through
// the narrow interfaces below, so the decisions can be tested with fakes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/settings.h"

namespace sonarel {

// A top-level window handle as the window system reports it (32 bits).
using WindowHandle = std::uint32_t;

// Found only when positive as a signed 32-bit number.
inline bool isFound(WindowHandle handle) { return static_cast<std::int32_t>(handle) > 0; }

namespace playerClass {
inline constexpr std::wstring_view winamp3 = L"studio";
inline constexpr std::wstring_view winamp3Root = L"basewindow_rootwnd";
inline constexpr std::wstring_view winamp2 = L"Winamp v1.x";
}  // namespace playerClass

// Per-thread watcher state. Flags are texts: only "1" counts as set.
struct WatcherState {
    std::uintptr_t pollTimerId = 0;
    std::wstring winamp2Title;
    std::wstring winamp3Title;
    std::wstring winamp2Showing;
    std::wstring winamp3Showing;
};

// The player's windows, as the window system shows them.
class PlayerWindows {
public:
    virtual ~PlayerWindows() = default;
    // The first top-level window of the class, or 0.
    virtual WindowHandle findTopLevel(std::wstring_view className) = 0;
    // Text of the window that owns the first "basewindow_rootwnd" window;
    // empty when there is none. No value when the window closed mid-read.
    virtual std::optional<std::wstring> winamp3Title() = 0;
    // The raw text buffer of the first "Winamp v1.x" window (title, NUL and
    // what the read left of the buffer). No value when the window is gone.
    virtual std::optional<std::wstring> winamp2TitleBuffer() = 0;
};

// Switches the display name to the listening name, or back to the plain one.
class NameSwitcher {
public:
    virtual ~NameSwitcher() = default;
    virtual void changeName() = 0;
    virtual void changeNameBack() = 0;
};

class Watcher {
public:
    Watcher(const Settings& settings, PlayerWindows& windows, NameSwitcher& names)
        : settings_(settings), windows_(windows), names_(names) {}

    // One tick of the poll timer.
    void pollTick();
    void checkWinamp3();
    void checkWinamp2();

    WatcherState& state() { return state_; }
    const WatcherState& state() const { return state_; }

private:
    void restoreIfPlayerClosed();
    void switchName(std::wstring& showing);
    void restoreName(std::wstring& showing);

    const Settings& settings_;
    PlayerWindows& windows_;
    NameSwitcher& names_;
    WatcherState state_;
    // A name switch can let messages through (outgoing COM calls); a tick
    // that arrives meanwhile must not start a second switch inside it.
    bool ticking_ = false;
};

}  // namespace sonarel
