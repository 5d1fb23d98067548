#pragma once

#include "book/AddressTable.h"
#include "settings/ViewSettings.h"

#include <array>

// How the grid's columns follow the window: a ratio (client width / column width) for every column but
// the last, "Note", which takes what is left.
namespace ui {

using settings::RatioCount;
static_assert(RatioCount == book::ColumnCount - 1, "every column but the last has a stored ratio");
using ColumnRatios = std::array<double, RatioCount>;
using ColumnWidths = std::array<int, book::ColumnCount>;

inline constexpr ColumnRatios FirstStartRatios = {10.0, 10.0, 15.0, 5.0, 6.0, 5.0};

// The widths a resize to clientWidth gives: each target is width / ratio (10 for a ratio of exactly
// 0), rounded half to even; "Note" gets the rest minus 8, never below 0. A ratio that no window could
// have measured (not a number, infinite, negative, or outside MinUsableRatio to MaxUsableRatio) lays its
// column out with its first-start ratio, and no column is wider than MaxColumnWidth.
inline constexpr double MinUsableRatio = 1e-3; // a column a thousand client widths wide
inline constexpr double MaxUsableRatio = 1e6;  // a column a millionth of the client width
inline constexpr int MaxColumnWidth = 1'000'000;
ColumnWidths layoutColumns(int clientWidth, const ColumnRatios& ratios);

// The ratios after a column width changed. A column of width 0 keeps its previous ratio, or gets its
// first-start ratio where the previous one is not usable.
ColumnRatios measureRatios(int clientWidth, const ColumnWidths& widths, const ColumnRatios& previous);

} // namespace ui
