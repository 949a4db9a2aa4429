#pragma once
// The plug-in's pictures and icons, drawn at run time so that they look
// right at any size and DPI.
#include <windows.h>

#include <memory>
#include <type_traits>

namespace sonarel {

struct IconDestroyer {
    void operator()(HICON icon) const noexcept { DestroyIcon(icon); }
};
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;

enum class IconDesign {
    Options,  // a slider on a round badge
    About,    // a note on a round badge
};

// The icon drawn in a square of the given size in pixels.
UniqueIcon drawIcon(IconDesign design, int size);

// The About window's banner picture: sound bars and the product name.
void drawBanner(HDC dc, const RECT& area);
// The About window's small picture: a note on a round badge.
void drawBadge(HDC dc, const RECT& area);

}  // namespace sonarel
