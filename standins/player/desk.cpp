#include "standins/player/desk.h"

#include "standins/player/player.h"

namespace sonarel::player {
namespace {

constexpr wchar_t deskClass[] = L"SonarelStandInDesk";

void bringToFront(HWND window) {
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
}

}  // namespace

LRESULT CALLBACK Desk::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* desk = reinterpret_cast<Desk*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (desk && (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)) ++desk->keys_;
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND Desk::ensure(UniqueWindow& window, const wchar_t* title, DWORD style, const RECT& area) {
    if (!window) {
        registerWindowClass(deskClass, proc);
        window.reset(CreateWindowExW(0, deskClass, title, style, area.left, area.top, area.right - area.left,
                                     area.bottom - area.top, nullptr, nullptr, GetModuleHandleW(nullptr), this));
        if (!window) throw CommandError("cannot create the desk's window");
    }
    return window.get();
}

void Desk::work() {
    bringToFront(ensure(document_, L"Document - Editor", WS_OVERLAPPEDWINDOW, RECT{820, 40, 1220, 260}));
}

void Desk::fullScreen() {
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    bringToFront(ensure(video_, L"Video", WS_POPUP, screen));
}

std::string Desk::report() const {
    HWND front = GetForegroundWindow();
    const char* name = front && front == document_.get() ? "document" : front && front == video_.get() ? "video" : "other";
    return "keys=" + std::to_string(keys_) + " front=" + name;
}

}  // namespace sonarel::player
