#include "WindowFrame.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <optional>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>

#include <cstring>
#include <memory>
#endif

namespace ui {

namespace {

#if QT_CONFIG(xcb)
// Nothing where the window manager sets no extents, or where this is no X server.
std::optional<QMargins> frameExtents(const QWidget& window) {
    // The offscreen platform answers for X11 too, without a connection.
    const auto* const x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* const connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr || QGuiApplication::platformName() != QStringLiteral("xcb")) {
        return std::nullopt;
    }
    static constexpr char Name[] = "_NET_FRAME_EXTENTS";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, std::strlen(Name), Name), nullptr),
        &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE) {
        return std::nullopt;
    }
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
        xcb_get_property_reply(connection,
                               xcb_get_property(connection, 0, static_cast<xcb_window_t>(window.winId()),
                                                atom->atom, XCB_ATOM_CARDINAL, 0, 4),
                               nullptr),
        &std::free);
    if (!property || property->format != 32 || xcb_get_property_value_length(property.get()) != 16) {
        return std::nullopt;
    }
    const auto* const extents = static_cast<const std::uint32_t*>(xcb_get_property_value(property.get()));
    // left, right, top, bottom
    return QMargins(static_cast<int>(extents[0]), static_cast<int>(extents[2]), static_cast<int>(extents[1]),
                    static_cast<int>(extents[3]));
}
#endif

} // namespace

QMargins windowFrame(const QWidget& window) {
    const QWindow* const handle = window.windowHandle();
    if (handle == nullptr || !handle->isVisible()) {
        return {};
    }
#if QT_CONFIG(xcb)
    if (const std::optional<QMargins> extents = frameExtents(window)) {
        return *extents;
    }
#endif
    return handle->frameMargins();
}

} // namespace ui
