#pragma once

#include <cstdlib>

// Font sizes are whole points for the user and pixel heights for the screen.
namespace ui {

// size * dpi / 72, rounded to the nearest pixel, halves away from zero; and back the same way.
int pointsToPixels(int points, int dotsPerInch);
int pixelsToPoints(int pixels, int dotsPerInch);

// Every grid row is as high as the font's character height plus 6.
inline int rowHeightFor(int fontPixels) {
    return std::abs(fontPixels) + 6;
}

} // namespace ui
