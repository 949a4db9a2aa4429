#pragma once
// Window layouts are designed in twips (1/1440 inch) and fonts in points;
// both become pixels at the DPI of the window that shows them. Free of
// windows.h.

namespace sonarel {

inline constexpr int twipsPerInch = 1440;
inline constexpr int centiPointsPerInch = 7200;

// Rounded to the nearest pixel: 15 twips make one pixel at 96 DPI.
constexpr int twipsToPixels(int twips, int dpi) {
    long long scaled = static_cast<long long>(twips) * dpi;
    long long half = twipsPerInch / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / twipsPerInch : -((-scaled + half) / twipsPerInch));
}

// The character height in pixels of a font of the given size in 1/100 points.
constexpr int fontPixelHeight(int centiPoints, int dpi) {
    return static_cast<int>((static_cast<long long>(centiPoints) * dpi + centiPointsPerInch / 2) / centiPointsPerInch);
}

}  // namespace sonarel
