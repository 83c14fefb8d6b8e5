// Tellurix as a user meets it: the real binary, copied into a fresh folder, on a private X
// server, with real key presses, talking to a scripted device on a pseudo-terminal.
#include "Pty.h"
#include "XSession.h"

#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QtTest>

#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <xcb/xcb.h>

namespace {

const QByteArray kFreshSettings = "[SETTINGS]\r\nComPort=0\r\nBaudrate=0\r\nPeculiar=0\r\nLanguage=0\r\n";
const QByteArray kEmptyPresets = "[SETTINGS]\r\nParam1=\r\nParam2=\r\nParam3=\r\nParam4=\r\n"
                                 "Param5=\r\nParam6=\r\nParam7=\r\nParam8=\r\n";

xcb_atom_t atomNamed(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// A window manager's ping to the window, as the manager sees the answer: it watches the
// root window's substructure, not the root's own structure.
bool pingIsAnsweredToTheRoot(const QString &display, xcb_window_t window)
{
    xcb_connection_t *connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const auto disconnect = qScopeGuard([connection] { xcb_disconnect(connection); });
    if (xcb_connection_has_error(connection))
        return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const uint32_t watched = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &watched);
    const xcb_atom_t protocols = atomNamed(connection, "WM_PROTOCOLS");
    const xcb_atom_t ping = atomNamed(connection, "_NET_WM_PING");
    constexpr uint32_t kStamp = 4242;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = protocols;
    message.data.data32[0] = ping;
    message.data.data32[1] = kStamp;
    message.data.data32[2] = window;
    xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&message));
    xcb_flush(connection);
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        pollfd readable{xcb_get_file_descriptor(connection), POLLIN, 0};
        ::poll(&readable, 1, int(std::max<qint64>(1, deadline.remainingTime())));
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            const auto *answer = reinterpret_cast<const xcb_client_message_event_t *>(event);
            const bool isAnswer = (event->response_type & 0x7f) == XCB_CLIENT_MESSAGE && answer->window == root
                                  && answer->data.data32[0] == ping && answer->data.data32[1] == kStamp;
            std::free(event);
            if (isAnswer)
                return true;
        }
        if (xcb_connection_has_error(connection))
            return false;
    }
    return false;
}

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
    std::unique_ptr<XSession> x;
    std::unique_ptr<Pty> device;

    // A program whose COM1 is the scripted device: a start without Settings.ini opens COM1.
    std::unique_ptr<ProgramUnderTest> program()
    {
        auto p = std::make_unique<ProgramUnderTest>(QStringLiteral(TELLURIX_BINARY), *x);
        // A folder whose Ports.ini cannot be written gives no program: the test's start fails.
        if (!p->writeFile(QStringLiteral("Ports.ini"), "[PORTS]\r\nCOM1=" + device->slavePath().toUtf8() + "\r\n"))
            return nullptr;
        return p;
    }

private slots:
    void init()
    {
        x = std::make_unique<XSession>();
        if (!x->isValid())
            QFAIL("Xvfb did not start");
        device = std::make_unique<Pty>();
        QVERIFY(device->isValid());
    }
    void cleanup()
    {
        device.reset();
        x.reset();
    }

    void firstStartShowsTheWindowAndEscapeSavesEverything()
    {
        auto p = program();
        QVERIFY(p);
        QVERIFY(p->start());
        const QString window = p->waitForMainWindow();
        QVERIFY2(!window.isEmpty(), "no main window");
        QCOMPARE(x->xdotool({QStringLiteral("getwindowname"), window}).value_or(QString()), QStringLiteral("Tellurix"));
        QVERIFY(!QFile::exists(p->filePath(QStringLiteral("Settings.ini"))));
        QVERIFY(p->pressKeys({QStringLiteral("Escape")}));
        QVERIFY(p->waitForExit());
        QCOMPARE(p->process().exitCode(), 0);
        QCOMPARE(p->readFile(QStringLiteral("Settings.ini")), kFreshSettings);
        QCOMPARE(p->readFile(QStringLiteral("DefaultCommands.icf")), kEmptyPresets);
    }

    void aWindowManagersPingIsAnswered()
    {
        auto p = program();
        QVERIFY(p);
        QVERIFY(p->start());
        const QString window = p->waitForMainWindow();
        QVERIFY2(!window.isEmpty(), "no main window");
        QVERIFY(pingIsAnsweredToTheRoot(x->display(), xcb_window_t(window.toUInt())));
        QVERIFY(p->pressKeys({QStringLiteral("Escape")}));
        QVERIFY(p->waitForExit());
    }

    void functionKeySendsItsPresetOnce()
    {
        auto p = program();
        QVERIFY(p);
        QVERIFY(p->writeFile(QStringLiteral("DefaultCommands.icf"), "[SETTINGS]\r\nParam1=AT<CR>\r\nParam3=*IDN?<LF>\r\n"));
        QVERIFY(p->start());
        QVERIFY(!p->waitForMainWindow().isEmpty());
        QVERIFY(p->pressKeys({QStringLiteral("F1")}));
        QCOMPARE(device->readMaster(3), QByteArray("AT\r"));
        QCOMPARE(device->readMasterUntilQuiet(300), QByteArray());
        QVERIFY(p->pressKeys({QStringLiteral("Escape")}));
        QVERIFY(p->waitForExit());
        const QByteArray presets = p->readFile(QStringLiteral("DefaultCommands.icf"));
        QVERIFY(presets.startsWith("[SETTINGS]\r\nParam1=AT<CR>\r\nParam3=*IDN?<LF>\r\nParam2=\r\n"));
    }

    void languageChangedInTheSettingsDialogIsSavedAtExit()
    {
        auto p = program();
        QVERIFY(p);
        QVERIFY(p->start());
        const QString window = p->waitForMainWindow();
        QVERIFY(!window.isEmpty());
        // "Bearbeiten" is the second menu of the bar; its first entry opens the dialog.
        QVERIFY(p->clickAt(70, 10));
        QVERIFY(p->waitForPopup());
        QVERIFY(p->pressKeys({QStringLiteral("Down"), QStringLiteral("Return")}));
        const std::optional<QString> dialog =
            x->xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                        QStringLiteral("--name"), QStringLiteral("^Voreinstellungen$")});
        QVERIFY2(dialog && !dialog->isEmpty(), "the settings dialog did not open");
        QVERIFY(x->xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), dialog->section(QLatin1Char('\n'), 0, 0)}));
        // From OK: Cancel, the tab bar; the second tab; its language list; the next entry; OK.
        QVERIFY(x->xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60"),
                            QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Right"),
                            QStringLiteral("Tab"), QStringLiteral("Down"), QStringLiteral("Return")}));
        QVERIFY(x->xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                            QStringLiteral("--name"), QStringLiteral("^General Settings$")}, 1500)
                    .value_or(QString()).isEmpty());
        QCOMPARE(x->xdotool({QStringLiteral("getwindowname"), window}).value_or(QString()),
                 QStringLiteral("Tellurix"));
        QCOMPARE(p->process().state(), QProcess::Running);
        QVERIFY(!QFile::exists(p->filePath(QStringLiteral("Settings.ini"))));
        QVERIFY(p->pressKeys({QStringLiteral("Escape")}));
        QVERIFY(p->waitForExit());
        QVERIFY2(p->readFile(QStringLiteral("Settings.ini")).contains("\r\nLanguage=1\r\n"),
                 p->readFile(QStringLiteral("Settings.ini")).constData());
    }

    void typedTextGoesOutOnEnter()
    {
        auto p = program();
        QVERIFY(p);
        QVERIFY(p->start());
        QVERIFY(!p->waitForMainWindow().isEmpty());
        QVERIFY(p->typeText(QStringLiteral("AB<STX>")));
        QVERIFY(p->pressKeys({QStringLiteral("Return")}));
        QCOMPARE(device->readMaster(3), QByteArray("AB\x02"));
        QCOMPARE(device->readMasterUntilQuiet(300), QByteArray());
        QVERIFY(p->pressKeys({QStringLiteral("Escape")}));
        QVERIFY(p->waitForExit());
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
