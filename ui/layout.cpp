#include "ui/layout.h"

#include "common/com.h"
#include "ui/twips.h"

namespace sonarel {
namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

// Only newer systems know a DPI per window.
GetDpiForWindowFunction perWindowDpiFunction() {
    static const auto function = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    return function;
}

struct ControlClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle;
};

ControlClass controlClass(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label: return {L"Static", SS_LEFT | SS_NOPREFIX, 0};
        case ControlKind::CentredLabel: return {L"Static", SS_CENTER | SS_NOPREFIX, 0};
        case ControlKind::LinkLabel: return {L"Static", SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 0};
        case ControlKind::TextBox: return {L"Edit", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
        case ControlKind::OptionButton: return {L"Button", BS_RADIOBUTTON | WS_TABSTOP, 0};
        case ControlKind::PushButton: return {L"Button", BS_PUSHBUTTON | WS_TABSTOP, 0};
        case ControlKind::Picture: return {L"Static", SS_OWNERDRAW, 0};
    }
    throw HResultError(E_INVALIDARG);
}

}  // namespace

Dpi windowDpi(HWND window) {
    if (auto perWindow = perWindowDpiFunction()) {
        if (UINT dpi = perWindow(window)) return {static_cast<int>(dpi), static_cast<int>(dpi)};
    }
    HDC dc = GetDC(window);
    if (!dc) throw HResultError(HRESULT_FROM_WIN32(GetLastError()));
    Dpi dpi{GetDeviceCaps(dc, LOGPIXELSX), GetDeviceCaps(dc, LOGPIXELSY)};
    ReleaseDC(window, dc);
    return dpi;
}

RECT toPixels(const TwipsRect& twips, Dpi dpi) {
    int left = twipsToPixels(twips.left, dpi.x);
    int top = twipsToPixels(twips.top, dpi.y);
    return {left, top, left + twipsToPixels(twips.width, dpi.x), top + twipsToPixels(twips.height, dpi.y)};
}

UniqueGdi<HFONT> createFont(const FontDesign& design, Dpi dpi) {
    LOGFONTW font{};
    font.lfHeight = -fontPixelHeight(design.centiPoints, dpi.y);
    font.lfWeight = design.bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, design.face, LF_FACESIZE);
    UniqueGdi<HFONT> created(CreateFontIndirectW(&font));
    if (!created) throw HResultError(E_OUTOFMEMORY);
    return created;
}

HWND createControl(HWND parent, const ControlDesign& design, Dpi dpi, HFONT font) {
    ControlClass kind = controlClass(design.kind);
    RECT at = toPixels(design.at, dpi);
    HWND control = CreateWindowExW(kind.exStyle, kind.name, design.caption ? design.caption : L"",
                                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | kind.style, at.left, at.top,
                                   at.right - at.left, at.bottom - at.top, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.id)), thisModule(), nullptr);
    if (!control) throw HResultError(HRESULT_FROM_WIN32(GetLastError()));
    if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void setClientSize(HWND window, int widthTwips, int heightTwips, Dpi dpi) {
    RECT frame{0, 0, twipsToPixels(widthTwips, dpi.x), twipsToPixels(heightTwips, dpi.y)};
    auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    AdjustWindowRectEx(&frame, style, GetMenu(window) != nullptr, exStyle);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A menu bar that wraps takes more room than one line; make up for it.
    RECT client{};
    GetClientRect(window, &client);
    int missing = twipsToPixels(heightTwips, dpi.y) - client.bottom;
    if (missing > 0)
        SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + missing,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace sonarel
