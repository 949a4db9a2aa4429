#include "ui/pictures.h"

#include <algorithm>
#include <array>

#include "common/com.h"
#include "common/win32.h"

namespace sonarel {
namespace {

constexpr COLORREF badgeBlue = RGB(0, 84, 166);
constexpr COLORREF white = RGB(255, 255, 255);

// Selects a GDI object into a device context for one scope.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() { SelectObject(dc_, previous_); }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

struct DcDeleter {
    void operator()(HDC dc) const noexcept { DeleteDC(dc); }
};
using UniqueDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

// A part of an area, given in fractions of its width and height.
RECT part(const RECT& area, double left, double top, double right, double bottom) {
    double width = area.right - area.left, height = area.bottom - area.top;
    return {area.left + static_cast<LONG>(width * left), area.top + static_cast<LONG>(height * top),
            area.left + static_cast<LONG>(width * right), area.top + static_cast<LONG>(height * bottom)};
}

void fill(HDC dc, const RECT& area, COLORREF colour) {
    UniqueGdi<HBRUSH> brush(CreateSolidBrush(colour));
    FillRect(dc, &area, brush.get());
}

void fillEllipse(HDC dc, const RECT& area, COLORREF colour) {
    UniqueGdi<HBRUSH> brush(CreateSolidBrush(colour));
    Selection useBrush(dc, brush.get());
    Selection noPen(dc, GetStockObject(NULL_PEN));
    // A null pen leaves the right and bottom edge out; make up for it.
    Ellipse(dc, area.left, area.top, area.right + 1, area.bottom + 1);
}

void drawNote(HDC dc, const RECT& area, COLORREF colour) {
    fillEllipse(dc, part(area, 0.26, 0.58, 0.50, 0.78), colour);  // head
    fill(dc, part(area, 0.44, 0.22, 0.51, 0.70), colour);         // stem
    RECT flag = part(area, 0.44, 0.22, 0.72, 0.42);
    std::array<POINT, 4> corners{{{flag.left, flag.top},
                                  {flag.right, flag.top + (flag.bottom - flag.top) / 2},
                                  {flag.right, flag.bottom},
                                  {flag.left, flag.top + (flag.bottom - flag.top) / 2}}};
    UniqueGdi<HBRUSH> brush(CreateSolidBrush(colour));
    Selection useBrush(dc, brush.get());
    Selection noPen(dc, GetStockObject(NULL_PEN));
    Polygon(dc, corners.data(), static_cast<int>(corners.size()));
}

void drawSliders(HDC dc, const RECT& area, COLORREF colour) {
    const double rows[] = {0.30, 0.50, 0.70};
    const double knobs[] = {0.62, 0.36, 0.55};
    for (int i = 0; i < 3; ++i) {
        fill(dc, part(area, 0.22, rows[i] - 0.03, 0.78, rows[i] + 0.03), colour);
        fill(dc, part(area, knobs[i] - 0.07, rows[i] - 0.09, knobs[i] + 0.07, rows[i] + 0.09), colour);
    }
}

constexpr const wchar_t* productName = L"Sonarel";

UniqueGdi<HFONT> boldFont(int pixelHeight) {
    LOGFONTW design{};
    design.lfHeight = -pixelHeight;
    design.lfWeight = FW_BOLD;
    lstrcpynW(design.lfFaceName, L"Arial", LF_FACESIZE);
    return UniqueGdi<HFONT>(CreateFontIndirectW(&design));
}

void drawIconImage(HDC dc, IconDesign design, const RECT& area) {
    fillEllipse(dc, area, badgeBlue);
    if (design == IconDesign::Options)
        drawSliders(dc, area, white);
    else
        drawNote(dc, area, white);
}

}  // namespace

UniqueIcon drawIcon(IconDesign design, int size) {
    HDC screen = GetDC(nullptr);
    UniqueGdi<HBITMAP> colour(CreateCompatibleBitmap(screen, size, size));
    ReleaseDC(nullptr, screen);
    UniqueGdi<HBITMAP> mask(CreateBitmap(size, size, 1, 1, nullptr));
    UniqueDc dc(CreateCompatibleDC(nullptr));
    if (!colour || !mask || !dc) throw HResultError(E_OUTOFMEMORY);
    RECT area{0, 0, size, size};
    {
        Selection useColour(dc.get(), colour.get());
        fill(dc.get(), area, RGB(0, 0, 0));
        drawIconImage(dc.get(), design, area);
    }
    {
        // Black in the mask is where the image shows.
        Selection useMask(dc.get(), mask.get());
        fill(dc.get(), area, white);
        fillEllipse(dc.get(), area, RGB(0, 0, 0));
    }
    ICONINFO info{TRUE, 0, 0, mask.get(), colour.get()};
    UniqueIcon icon(CreateIconIndirect(&info));
    if (!icon) throw HResultError(E_OUTOFMEMORY);
    return icon;
}

void drawBanner(HDC dc, const RECT& area) {
    int height = area.bottom - area.top;
    // A top-to-bottom blend from deep blue to sea blue.
    for (int row = 0; row < height; ++row) {
        int share = height > 1 ? row * 255 / (height - 1) : 0;
        RECT line{area.left, area.top + row, area.right, area.top + row + 1};
        fill(dc, line, RGB(0, 60 + share * 90 / 255, 150 + share * 60 / 255));
    }
    const double bars[] = {0.30, 0.55, 0.85, 0.45, 0.70, 0.40, 0.20};
    for (int i = 0; i < 7; ++i) {
        double left = 0.05 + i * 0.045;
        fill(dc, part(area, left, 0.5 - bars[i] / 2.5, left + 0.03, 0.5 + bars[i] / 2.5), white);
    }
    RECT text = part(area, 0.38, 0.0, 0.97, 1.0);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, white);
    // The largest bold face up to two fifths of the height that fits.
    for (int size = std::max(8, height * 2 / 5); size >= 6; --size) {
        UniqueGdi<HFONT> font(boldFont(size));
        Selection useFont(dc, font.get());
        SIZE extent{};
        GetTextExtentPoint32W(dc, productName, lstrlenW(productName), &extent);
        if (extent.cx > text.right - text.left && size > 6) continue;
        DrawTextW(dc, productName, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        break;
    }
}

void drawBadge(HDC dc, const RECT& area) {
    fill(dc, area, white);
    drawIconImage(dc, IconDesign::About, area);
}

}  // namespace sonarel
