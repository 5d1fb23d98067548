#include "StartPlacement.h"

#include "OuterGeometry.h"

#include <algorithm>

namespace ui {
namespace {

int edge(const std::optional<int>& stored, int screenExtent, int layoutEdge) {
    return stored && *stored < screenExtent ? *stored : layoutEdge;
}

int extent(const std::optional<int>& stored, int desktopExtent, int layoutExtent) {
    return std::clamp(stored.value_or(layoutExtent), 1, std::max(1, desktopExtent));
}

} // namespace

StartPlacement startPlacement(const std::optional<settings::ViewValues>& stored, const QRect& screen,
                              const QRect& desktop) {
    if (!stored) {
        return {false, centredIn(screen, LayoutRect.size())};
    }
    if (stored->maximised.value_or(false)) {
        return {true, centredIn(screen, LayoutRect.size())}; // what un-maximising gives
    }
    const int width = extent(stored->width, desktop.width(), LayoutRect.width());
    const int height = extent(stored->height, desktop.height(), LayoutRect.height());
    // The upper bounds come from the screen tests; a window left or above the desktop keeps a pixel on it.
    const int left =
        std::max(edge(stored->left, screen.width(), LayoutRect.left()), desktop.left() - width + 1);
    const int top =
        std::max(edge(stored->top, screen.height(), LayoutRect.top()), desktop.top() - height + 1);
    return {false, QRect(left, top, width, height)};
}

} // namespace ui
