#include "standins/support/key_counting_window.h"

#include "standins/support/window_class.h"

namespace sonarel {
namespace {

constexpr wchar_t windowClassName[] = L"SonarelStandInKeyCounting";

}  // namespace

KeyCountingWindow::KeyCountingWindow(const wchar_t* title, DWORD style, const RECT& area) {
    registerWindowClass(windowClassName, proc);
    window_.reset(CreateWindowExW(0, windowClassName, title, style, area.left, area.top, area.right - area.left,
                                  area.bottom - area.top, nullptr, nullptr, GetModuleHandleW(nullptr), this));
}

void KeyCountingWindow::bringToFront() {
    ShowWindow(handle(), SW_SHOW);
    SetForegroundWindow(handle());
    SetFocus(handle());
}

LRESULT CALLBACK KeyCountingWindow::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<KeyCountingWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)) ++self->keys_;
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace sonarel
