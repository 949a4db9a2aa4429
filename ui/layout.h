#pragma once
// Turns the designed layout of a window (twips, points) into pixels at the
// DPI of the window that shows it, and creates its controls.
#include <windows.h>

#include "common/win32.h"

namespace sonarel {

struct Dpi {
    int x = USER_DEFAULT_SCREEN_DPI;
    int y = USER_DEFAULT_SCREEN_DPI;
};

// The DPI the window is laid out at: its own where the system says so per
// window, else that of its device context.
Dpi windowDpi(HWND window);

struct TwipsRect {
    int left, top, width, height;
};

RECT toPixels(const TwipsRect& twips, Dpi dpi);

struct FontDesign {
    const wchar_t* face;
    int centiPoints;  // 1/100 point
    bool bold = false;
};

UniqueGdi<HFONT> createFont(const FontDesign& design, Dpi dpi);

enum class ControlKind { Label, CentredLabel, LinkLabel, TextBox, OptionButton, PushButton, Picture };

struct ControlDesign {
    int id;
    ControlKind kind;
    const wchar_t* caption;
    TwipsRect at;
};

// Creates the control as a child of the window, in the next place of the
// tab order (controls are created in tab-index order).
HWND createControl(HWND parent, const ControlDesign& design, Dpi dpi, HFONT font);

// Sizes a window so that its client area has the designed size.
void setClientSize(HWND window, int widthTwips, int heightTwips, Dpi dpi);

}  // namespace sonarel
