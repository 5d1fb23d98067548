#pragma once

#include <array>

// How the seven grid columns follow the window: six ratios (client width / column width) for the
// columns 0 to 5; the "Note" column takes what is left.
namespace ui {

inline constexpr int RatioCount = 6;
inline constexpr int GridColumns = 7;
using ColumnRatios = std::array<double, RatioCount>;
using ColumnWidths = std::array<int, GridColumns>;

inline constexpr ColumnRatios FirstStartRatios = {10.0, 10.0, 15.0, 5.0, 6.0, 5.0};

// The widths a resize to clientWidth gives: each target is width / ratio (10 for a ratio of exactly
// 0), rounded half to even; "Note" gets the rest minus 8, never below 0.
ColumnWidths layoutColumns(int clientWidth, const ColumnRatios& ratios);

// The ratios after a column width changed. A column of width 0 keeps its previous ratio.
ColumnRatios measureRatios(int clientWidth, const ColumnWidths& widths, const ColumnRatios& previous);

} // namespace ui
