#pragma once
// What the Options and About windows share: the top-level window in this
// module's instance, its background, text colours, keyboard focus, modal
// display and unloading.
#include <windows.h>

#include <optional>
#include <utility>
#include <vector>

#include "common/com.h"
#include "common/win32.h"
#include "ui/layout.h"
#include "ui/modal_display.h"

namespace sonarel {

struct FormDesign {
    const wchar_t* className;
    const wchar_t* caption;
    DWORD style;
    COLORREF background;
    int clientWidthTwips;
    int clientHeightTwips;
};

class FormFrame {
public:
    explicit FormFrame(const FormDesign& design);
    FormFrame(const FormFrame&) = delete;
    FormFrame& operator=(const FormFrame&) = delete;
    ~FormFrame();

    // Creates the hidden window, placed where the system places new
    // windows and sized to the designed client area at its DPI. Its
    // messages go to `form` through `procedure`.
    void create(WNDPROC procedure, void* form, HWND owner);

    HWND handle() const { return window_.get(); }
    Dpi dpi() const { return dpi_; }
    // Loaded and not yet unloaded.
    bool isOpen() const { return window_ != nullptr; }

    HWND addControl(const ControlDesign& design, HFONT font);
    void setTextColour(HWND control, COLORREF colour);
    // The control that has the focus when the window is active.
    void setFocusControl(HWND control);

    // Shows the window (unless it is showing already) and returns when it is
    // closed or hidden; the owner stays disabled meanwhile.
    void showModal(int showCommand);
    // Brings the open window, or the window it is waiting for, to the front.
    void bringToFront() const;
    // Closes the window: the owner is enabled again first.
    void unload();

    // The shared handling of a message; nothing when the message is left to
    // the system.
    std::optional<LRESULT> onMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    std::optional<LRESULT> colourStatic(HDC dc, HWND control) const;

    FormDesign design_;
    UniqueGdi<HBRUSH> background_;
    std::vector<std::pair<HWND, COLORREF>> textColours_;
    HWND focus_ = nullptr;
    Dpi dpi_;
    UniqueWindow window_;
    OwnerLock ownerLock_;  // released before the window goes
};

// The window procedure of a form class: hands each message to the form
// first (Form::onMessage), then to the system. No exception leaves it.
template <class Form>
LRESULT CALLBACK formWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    std::optional<LRESULT> result;
    if (form) callbackBoundary([&] { result = form->onMessage(window, message, wParam, lParam); });
    if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return result ? *result : DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace sonarel
