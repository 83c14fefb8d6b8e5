#pragma once
// Answers a window manager's _NET_WM_PING on X11 as the window-manager convention describes:
// the message goes back to the root window for clients that watch its substructure. Qt's own
// answer also addresses those that watch the root's structure, the program itself among them,
// so that every ping woke the program twice. Elsewhere (Wayland, offscreen) it does nothing.
#include <QAbstractNativeEventFilter>
#include <cstdint>

struct xcb_connection_t;

namespace platform {

class WindowPings final : public QAbstractNativeEventFilter {
public:
    // After the QGuiApplication; before it goes.
    WindowPings();
    ~WindowPings() override;
    WindowPings(const WindowPings &) = delete;
    WindowPings &operator=(const WindowPings &) = delete;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    bool knowsAtoms();

    xcb_connection_t *m_connection = nullptr; // owned by Qt
    std::uint32_t m_root = 0;
    std::uint32_t m_protocols = 0;
    std::uint32_t m_ping = 0;
    bool m_atomsAsked = false;
};

} // namespace platform
