#include "ColumnLayout.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

int roundHalfToEven(double value) {
    const double down = std::floor(value);
    const double fraction = value - down;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(down, 2.0) != 0.0)) {
        return static_cast<int>(down) + 1;
    }
    return static_cast<int>(down);
}

// Damaged settings can hold any bit pattern; only what a real layout measured is used as it is.
double usableRatio(double ratio, int column) {
    const bool usable = ratio == 0.0 || (ratio >= MinUsableRatio && ratio <= MaxUsableRatio);
    return usable ? ratio : FirstStartRatios[static_cast<std::size_t>(column)];
}

} // namespace

ColumnWidths layoutColumns(int clientWidth, const ColumnRatios& ratios) {
    ColumnWidths widths{};
    int used = 0;
    for (int column = 0; column < RatioCount; ++column) {
        const double ratio = usableRatio(ratios[static_cast<std::size_t>(column)], column);
        const double target = ratio == 0.0 ? 10.0 : clientWidth / ratio;
        widths[static_cast<std::size_t>(column)] = roundHalfToEven(std::min(target, double{MaxColumnWidth}));
        used += widths[static_cast<std::size_t>(column)];
    }
    widths[RatioCount] = std::max(0, clientWidth - used - 8);
    return widths;
}

ColumnRatios measureRatios(int clientWidth, const ColumnWidths& widths, const ColumnRatios& previous) {
    ColumnRatios ratios = previous;
    for (int column = 0; column < RatioCount; ++column) {
        const int width = widths[static_cast<std::size_t>(column)];
        // A column of width 0 keeps its ratio, unless that came damaged from the settings.
        ratios[static_cast<std::size_t>(column)] =
            width != 0 ? static_cast<double>(clientWidth) / width
                       : usableRatio(previous[static_cast<std::size_t>(column)], column);
    }
    return ratios;
}

} // namespace ui
