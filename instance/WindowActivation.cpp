#include "WindowActivation.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QWidget>

#include <cstring>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace instance {

namespace {

#if QT_CONFIG(xcb)

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* const reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t found = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return found;
}

// The time of the user's action that started the program: startup ids end in "_TIME<time>".
xcb_timestamp_t userTime(const QByteArray& startupId) {
    const qsizetype at = startupId.lastIndexOf("_TIME");
    bool valid = false;
    const uint time = at < 0 ? 0 : startupId.mid(at + 5).toUInt(&valid);
    return valid ? time : XCB_CURRENT_TIME;
}

xcb_window_t rootOf(xcb_connection_t* connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

void askToActivate(xcb_connection_t* connection, xcb_window_t window, xcb_timestamp_t time) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom(connection, "_NET_ACTIVE_WINDOW");
    event.data.data32[0] = 1; // from an application
    event.data.data32[1] = time;
    xcb_send_event(connection, 0, rootOf(connection),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
}

// The startup notification's "remove" message: the text in pieces of 20 bytes, the first of them of
// its own type, ending with a zero byte.
void completeStartup(xcb_connection_t* connection, xcb_window_t window, const QByteArray& startupId) {
    QByteArray quoted;
    for (const char character : startupId) {
        if (character == '"' || character == '\\' || character == ' ') {
            quoted += '\\';
        }
        quoted += character;
    }
    const QByteArray text = "remove: ID=" + quoted + '\0';
    const xcb_atom_t begin = atom(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = atom(connection, "_NET_STARTUP_INFO");
    for (qsizetype at = 0; at < text.size(); at += 20) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = window;
        event.type = at == 0 ? begin : more;
        std::memcpy(event.data.data8, text.constData() + at,
                    static_cast<std::size_t>(std::min<qsizetype>(20, text.size() - at)));
        xcb_send_event(connection, 0, rootOf(connection), XCB_EVENT_MASK_PROPERTY_CHANGE,
                       reinterpret_cast<const char*>(&event));
    }
}

#endif

} // namespace

void bringToFront(QWidget& window, const QByteArray& startupId) {
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
#if QT_CONFIG(xcb)
    // The offscreen platform answers for X11 too, without a connection.
    const auto* const x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* const connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr || startupId.isEmpty()) {
        return;
    }
    const auto id = static_cast<xcb_window_t>(window.winId());
    askToActivate(connection, id, userTime(startupId));
    completeStartup(connection, id, startupId);
    xcb_flush(connection);
#endif
}

} // namespace instance
