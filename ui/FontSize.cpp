#include "FontSize.h"

#include <cmath>

namespace ui {

int pointsToPixels(int points, int dotsPerInch) {
    return static_cast<int>(std::lround(static_cast<double>(points) * dotsPerInch / 72.0));
}

int pixelsToPoints(int pixels, int dotsPerInch) {
    return static_cast<int>(std::lround(static_cast<double>(pixels) * 72.0 / dotsPerInch));
}

} // namespace ui
