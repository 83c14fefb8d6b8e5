#pragma once
#include "SerialPort.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class QSerialPort;
class QSocketNotifier;

namespace platform {

// SerialPort on Qt SerialPort: 8 data bits, no parity, 1 stop bit, no flow control, opened
// exclusively. The port number is turned into a device path by the resolver (normally the
// port table). Received bytes are taken from the descriptor when they are counted, or as they
// come while the reader does not poll.
class QtSerialPort final : public QObject, public SerialPort {
    Q_OBJECT
public:
    using Resolver = std::function<QString(int portNumber)>;
    explicit QtSerialPort(Resolver resolver, QObject *parent = nullptr);
    ~QtSerialPort() override;

    void setCommPort(int portNumber) override;
    int commPort() const override;
    QString devicePath() const override;
    void setSettings(const QString &settings) override;
    QString settings() const override;
    bool portOpen() const override;
    void setPortOpen(bool open) override;
    void output(const QString &text) override;
    qint16 inBufferCount() override;
    QString input() override;
    bool takeDeviceLost() override;
    void setActivityNotification(std::function<void(PortActivity)> notify) override;
    void setReaderPolling(bool polling) override;
    // QtSerialPortLines.cpp
    bool setDataTerminalReady(bool on) override;
    bool setRequestToSend(bool on) override;
    std::optional<unsigned> pinoutSignals() override;
    bool setBreakEnabled(bool on) override;

private:
    void onError(int error);
    void openPort();
    void closePort();
    void releaseHandle();
    void keepRemains();
    // QtSerialPortReading.cpp
    void takeOverReading();
    void watchArrivals();
    void onArrival();
    bool readWaiting();
    void noteCounted();
    void updateWatch();
    void takeQtBuffer();
    void readDescriptorToEnd();
    void pushPendingWrites();
    void markDeviceLost();
    [[noreturn]] void failOpen(const QString &path);
    QString portLabel(const QString &path) const;
    bool setModemBit(int bit, bool on);

    Resolver m_resolver;
    std::function<void(PortActivity)> m_notify;
    std::unique_ptr<QSerialPort> m_port;
    int m_commPort = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    qint32 m_baud = 9600;
    QString m_openPath;       // the device path as configured, for descriptions
    bool m_lossPending = false; // lost, but the handle is closed from the event loop
    bool m_deviceLost = false;
    // Delivered by a device that has gone away, not yet read; while the port reads the
    // descriptor itself, also everything waiting on the open port.
    QByteArray m_held;
    bool m_readsDirectly = false;
    bool m_readerPolling = false;
    QPointer<QSocketNotifier> m_qtReader;     // Qt's own, kept off while the port reads itself
    std::unique_ptr<QSocketNotifier> m_arrivals; // on while the reader does not poll
    qsizetype m_takenSinceCount = 0;
    bool m_fastLine = false; // the last count found so much that the system may run full
};

} // namespace platform
