#pragma once
// A serial port the test plays: it records what was written and hands over what the test
// lets "arrive". Opening fails with the number the test sets.
#include "Cp1252.h"
#include "SerialPort.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <algorithm>
#include <functional>
#include <utility>

class FakeSerialPort final : public platform::SerialPort {
public:
    void setCommPort(int portNumber) override { m_commPort = portNumber; }
    int commPort() const override { return m_commPort; }
    QString devicePath() const override { return path; }
    void setSettings(const QString &settings) override { m_settings = settings; }
    QString settings() const override { return m_settings; }
    bool portOpen() const override { return m_open; }
    void setPortOpen(bool open) override
    {
        if (open)
            ++openAttempts;
        if (open && failOpenWith != 0)
            throw platform::Failure(QStringLiteral("COM%1 refused").arg(m_commPort), failOpenWith);
        m_open = open;
        if (open)
            dtr = rts = true; // as the kernel raises them when a tty is opened
        m_heldAfterLoss = false;
        ++openings;
    }
    void output(const QString &text) override
    {
        if (!m_open)
            throw platform::Failure(QStringLiteral("COM%1 is not open").arg(m_commPort), 8012);
        written += platform::encodeCp1252(text);
    }
    // A closed port has nothing waiting, except what a lost device delivered before it went.
    qint16 inBufferCount() override
    {
        if (!m_open && !m_heldAfterLoss)
            return 0;
        return qint16(std::min<qsizetype>(waiting.size(), 32767));
    }
    QString input() override
    {
        if (!m_open && !m_heldAfterLoss)
            return {};
        m_heldAfterLoss = false;
        return platform::decodeCp1252(std::exchange(waiting, {}));
    }
    bool takeDeviceLost() override { return std::exchange(m_lost, false); }
    void setActivityNotification(std::function<void(platform::PortActivity)> notify) override
    {
        m_notify = std::move(notify);
    }
    // The fake keeps notifying whatever the reader does, as a port may.
    void setReaderPolling(bool polling) override
    {
        readerPollingSwitches += polling != readerPolling ? 1 : 0;
        readerPolling = polling;
    }
    bool setDataTerminalReady(bool on) override
    {
        if (m_open && hasModemLines)
            dtr = on;
        return m_open && hasModemLines;
    }
    bool setRequestToSend(bool on) override
    {
        if (m_open && hasModemLines)
            rts = on;
        return m_open && hasModemLines;
    }
    std::optional<unsigned> pinoutSignals() override
    {
        ++pinoutReads;
        if (!m_open || !hasModemLines)
            return std::nullopt;
        return pinout;
    }
    bool setBreakEnabled(bool on) override
    {
        if (!m_open)
            return false;
        breakOn = on;
        breakChanges.append(on);
        return true;
    }

    // The device sends bytes; they wait until read, as the OS keeps them.
    void arrive(const QByteArray &bytes)
    {
        waiting += bytes;
        notify(platform::PortActivity::BytesArrived);
    }
    // The device goes away; what arrived before stays readable.
    void unplug()
    {
        m_open = false;
        m_lost = true;
        m_heldAfterLoss = true;
        notify(platform::PortActivity::DeviceLost);
    }

    QString path; // what devicePath() says
    bool readerPolling = false;
    int readerPollingSwitches = 0;
    // The modem lines: what the program set, and what the device shows (PinoutSignal bits).
    bool hasModemLines = true;
    bool dtr = true;
    bool rts = true;
    bool breakOn = false;
    QList<bool> breakChanges;
    unsigned pinout = 0;
    int pinoutReads = 0;
    QByteArray written;
    QByteArray waiting;
    qint32 failOpenWith = 0;
    int openings = 0;
    int openAttempts = 0; // successful or not

private:
    void notify(platform::PortActivity what)
    {
        if (m_notify)
            m_notify(what);
    }

    std::function<void(platform::PortActivity)> m_notify;
    int m_commPort = 1;
    QString m_settings;
    bool m_open = false;
    bool m_lost = false;
    bool m_heldAfterLoss = false;
};
