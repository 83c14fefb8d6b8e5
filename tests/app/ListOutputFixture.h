#pragma once
// The program on a fake port with fake time, for the tests of the traffic list's output,
// pause, find and hex display: starting it, lines arriving and the controls they use.
#include "DisplayGlobals.h"
#include "DisplayPause.h"
#include "MainProgram.h"
#include "TerminalSession.h"
#include "TestProgram.h"
#include "TrafficLine.h"
#include "TrafficListModel.h"
#include "TrafficListOutput.h"
#include "TrafficListView.h"
#include "frmFind.h"
#include "frmMain.h"
#include "frmSettings.h"
#include "modGlobal.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

class ListOutputFixture : public QObject {
protected:
    std::unique_ptr<TestProgram> p;
    FakeSerialPort *port = nullptr;

    frmMain &form() { return p->form(); }
    TrafficListView &list() { return *p->form().lstSendReceive; }
    TrafficListModel &traffic() { return p->traffic(); }
    QString clipboard() const { return QGuiApplication::clipboard()->text(); }

    bool startOnFakes(quint8 peculiar = 0, quint8 language = 0, const QByteArray &display = {})
    {
        port = &p->useFakePort();
        p->useFakeTime();
        p->writeSettings(1, 6, peculiar, language);
        if (!display.isEmpty() && !p->writeFile(QStringLiteral("Settings.ini"),
                                                p->readFile(QStringLiteral("Settings.ini")) + display))
            return false;
        return p->start();
    }
    // The device sends bytes; the poll reads them as one line.
    void receive(const QByteArray &bytes)
    {
        port->arrive(bytes);
        p->timers()->advance(100);
    }
    void addLines(int n)
    {
        for (int i = 0; i < n; ++i)
            p->session().AddTrafficLine(kMarkerIn, QStringLiteral("line %1").arg(traffic().count()));
    }
    // What the list shows (the scroll position too) follows at its next frame.
    void letTheFrameShow()
    {
        p->timers()->advance(200);
        QApplication::processEvents();
    }
    frmFind *openFindBar()
    {
        form().mnuEditFind->trigger();
        return form().findChild<frmFind *>(QStringLiteral("frmFind"));
    }


    void startFresh()
    {
        p = std::make_unique<TestProgram>();
        QGuiApplication::clipboard()->clear();
    }
    void finish()
    {
        p.reset();
        g_bytHexDisplay = 0;
    }
};
