#pragma once

#include <algorithm>
#include <cstdlib>

// Font sizes are whole points for the user and pixel heights for the screen.
namespace ui {

// size * dpi / 72, rounded to the nearest pixel, halves away from zero; and back the same way.
int pointsToPixels(int points, int dotsPerInch);
int pixelsToPoints(int pixels, int dotsPerInch);

// A stored size limited to what the toolkit can draw: a damaged setting of minus two billion points
// would otherwise hang the window.
inline constexpr int MinDrawablePoints = 1;
inline constexpr int MaxDrawablePoints = 1000;
inline int drawablePoints(int points) {
    return std::clamp(points, MinDrawablePoints, MaxDrawablePoints);
}

// Every grid row is as high as the font's character height plus 6.
inline int rowHeightFor(int fontPixels) {
    return std::abs(fontPixels) + 6;
}

} // namespace ui
