#include "watcher/win32_player_windows.h"

#include <windows.h>

#include <string>

#include "common/win32.h"
#include "watcher/title_logic.h"

namespace sonarel {
namespace {

// The wide functions throughout: a title in letters outside the system's
// ANSI code page would read as question marks, and two songs as one.
HWND findWindow(std::wstring_view className) { return FindWindowW(std::wstring(className).c_str(), nullptr); }

}  // namespace

WindowHandle Win32PlayerWindows::findTopLevel(std::wstring_view className) {
    return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(findWindow(className)));
}

std::optional<std::wstring> Win32PlayerWindows::winamp3Title() {
    HWND titled = GetParent(findWindow(playerClass::winamp3Root));
    if (!titled) return std::wstring();
    int length = GetWindowTextLengthW(titled);
    std::wstring buffer(static_cast<size_t>(length), L'\0');
    int copied = GetWindowTextW(titled, buffer.data(), length + 1);
    if (copied == 0 && length > 0 && !IsWindow(titled)) return std::nullopt;
    return buffer;
}

std::optional<std::wstring> Win32PlayerWindows::winamp2TitleBuffer() {
    HWND player = findWindow(playerClass::winamp2);
    if (!player) return std::nullopt;
    std::wstring buffer(winamp2BufferChars, L' ');
    int copied = GetWindowTextW(player, buffer.data(), static_cast<int>(buffer.size()));
    if (copied == 0 && !IsWindow(player)) return std::nullopt;
    return buffer;
}

}  // namespace sonarel
