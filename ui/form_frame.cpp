#include "ui/form_frame.h"

namespace sonarel {
namespace {

void registerClassOnce(const wchar_t* className, WNDPROC procedure) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(thisModule(), className, &existing)) return;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = thisModule();
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.lpszClassName = className;
    // The background is the form's own brush, painted on WM_ERASEBKGND.
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw HResultError(HRESULT_FROM_WIN32(GetLastError()));
}

}  // namespace

FormFrame::FormFrame(const FormDesign& design)
    : design_(design), background_(CreateSolidBrush(design.background)) {
    if (!background_) throw HResultError(E_OUTOFMEMORY);
}

FormFrame::~FormFrame() {
    ownerLock_.release();
    // The window may outlive the form's other parts by a few messages.
    if (window_) SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

void FormFrame::create(WNDPROC procedure, void* form, HWND owner) {
    registerClassOnce(design_.className, procedure);
    HWND window = CreateWindowExW(0, design_.className, design_.caption, design_.style | WS_CLIPCHILDREN,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                  thisModule(), form);
    if (!window) throw HResultError(HRESULT_FROM_WIN32(GetLastError()));
    window_.reset(window);
    dpi_ = windowDpi(window);
    setClientSize(window, design_.clientWidthTwips, design_.clientHeightTwips, dpi_);
}

HWND FormFrame::addControl(const ControlDesign& design, HFONT font) {
    return createControl(handle(), design, dpi_, font);
}

void FormFrame::setTextColour(HWND control, COLORREF colour) { textColours_.emplace_back(control, colour); }

void FormFrame::setFocusControl(HWND control) {
    focus_ = control;
    if (GetActiveWindow() == handle() && !IsIconic(handle())) SetFocus(control);
}

void FormFrame::showModal(int showCommand) {
    HWND window = handle();
    ownerLock_ = OwnerLock(GetWindow(window, GW_OWNER));
    if (!IsWindowVisible(window)) ShowWindow(window, showCommand);
    runModalLoop(window, [this] { return isOpen() && IsWindowVisible(handle()); });
}

void FormFrame::bringToFront() const {
    HWND front = GetLastActivePopup(handle());
    if (IsIconic(front)) ShowWindow(front, SW_RESTORE);
    SetForegroundWindow(front);
    BringWindowToTop(front);
}

void FormFrame::unload() {
    ownerLock_.release();
    if (window_) DestroyWindow(window_.get());
}

std::optional<LRESULT> FormFrame::colourStatic(HDC dc, HWND control) const {
    COLORREF text = GetSysColor(COLOR_BTNTEXT);
    for (const auto& [owner, colour] : textColours_)
        if (owner == control) text = colour;
    SetTextColor(dc, text);
    SetBkColor(dc, design_.background);
    return reinterpret_cast<LRESULT>(background_.get());
}

std::optional<LRESULT> FormFrame::onMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND: {
            RECT client{};
            GetClientRect(window, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, background_.get());
            return TRUE;
        }
        case WM_CTLCOLORSTATIC:
            return colourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_ACTIVATE:
            // Keep the focused control across deactivation, as dialogs do.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focused = GetFocus();
                if (focused && IsChild(window, focused)) focus_ = focused;
            } else if (!HIWORD(wParam) && focus_) {
                SetFocus(focus_);
                return 0;
            }
            return std::nullopt;
        case WM_SETFOCUS:
            if (focus_ && !IsIconic(window)) SetFocus(focus_);
            return 0;
        case WM_CLOSE:
            unload();
            return 0;
        case WM_NCDESTROY:
            ownerLock_.release();
            window_.release();
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

}  // namespace sonarel
