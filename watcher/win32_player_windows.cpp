#include "watcher/win32_player_windows.h"

#include <windows.h>

#include <string>

#include "common/win32.h"
#include "watcher/title_logic.h"

namespace sonarel {
namespace {

HWND findWindow(std::wstring_view className) {
    return FindWindowA(toAnsi(className).c_str(), nullptr);
}

}  // namespace

WindowHandle Win32PlayerWindows::findTopLevel(std::wstring_view className) {
    return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(findWindow(className)));
}

std::optional<std::wstring> Win32PlayerWindows::winamp3Title() {
    HWND titled = GetParent(findWindow(playerClass::winamp3Root));
    if (!titled) return std::wstring();
    int length = GetWindowTextLengthA(titled);
    std::string buffer(static_cast<size_t>(length), '\0');
    int copied = GetWindowTextA(titled, buffer.data(), length + 1);
    if (copied == 0 && length > 0 && !IsWindow(titled)) return std::nullopt;
    return fromAnsi(buffer);
}

std::optional<std::wstring> Win32PlayerWindows::winamp2TitleBuffer() {
    HWND player = findWindow(playerClass::winamp2);
    if (!player) return std::nullopt;
    std::string buffer(winamp2BufferChars, ' ');
    int copied = GetWindowTextA(player, buffer.data(), static_cast<int>(buffer.size()));
    if (copied == 0 && !IsWindow(player)) return std::nullopt;
    return fromAnsi(buffer);
}

}  // namespace sonarel
