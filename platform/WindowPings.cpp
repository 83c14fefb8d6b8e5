#include "WindowPings.h"

#include <QGuiApplication>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace platform {

namespace {

xcb_atom_t internedAtom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 1, uint16_t(std::strlen(name)), name);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

WindowPings::WindowPings()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    if (screens.rem == 0)
        return;
    m_connection = connection;
    m_root = screens.data->root;
    qGuiApp->installNativeEventFilter(this);
}

WindowPings::~WindowPings()
{
    if (m_connection && qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
}

// Asked at the first client message, not at start: a round trip to the server there would
// delay the window.
bool WindowPings::knowsAtoms()
{
    if (!m_atomsAsked) {
        m_atomsAsked = true;
        m_protocols = internedAtom(m_connection, "WM_PROTOCOLS");
        m_ping = internedAtom(m_connection, "_NET_WM_PING");
    }
    return m_protocols != XCB_ATOM_NONE && m_ping != XCB_ATOM_NONE;
}

bool WindowPings::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
        return false;
    const auto *asked = static_cast<const xcb_client_message_event_t *>(message);
    if (asked->format != 32 || asked->window == m_root || !knowsAtoms() || asked->type != m_protocols
        || asked->data.data32[0] != m_ping)
        return false;
    xcb_client_message_event_t answer = *asked;
    answer.response_type = XCB_CLIENT_MESSAGE;
    answer.window = m_root;
    xcb_send_event(m_connection, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char *>(&answer));
    xcb_flush(m_connection);
    return true;
}

} // namespace platform
