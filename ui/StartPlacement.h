#pragma once

#include "settings/ViewSettings.h"

#include <QRect>

#include <optional>

// Where the main window opens, from the stored values: rectangles are outer ones, frame and caption
// included, in the toolkit's (96 dpi) pixels.
namespace ui {

inline constexpr QRect LayoutRect{446, 586, 640, 261}; // the window's declared layout

struct StartPlacement {
    bool maximised = false;
    QRect outer; // the normal window's
};

// Without stored values, and when maximised, the layout's size centred on the screen. Otherwise the
// stored edges, "left" only when less than the screen's width and "top" only when less than its height
// (else the layout's edge), and the stored size (else the layout's). Whatever is stored, the size is
// kept within the desktop's and at least one pixel of the window on it, so that nothing overflows.
StartPlacement startPlacement(const std::optional<settings::ViewValues>& stored, const QRect& screen,
                              const QRect& desktop);

} // namespace ui
