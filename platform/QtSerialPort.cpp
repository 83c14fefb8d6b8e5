#include "QtSerialPort.h"

#include "Cp1252.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 256;
constexpr qint64 kLargestCount = 32767; // the count is a 16-bit signed number
// A send must be on the wire when output() returns, but a device that takes nothing must not
// hold the user interface: whatever is left after this goes out as the event loop runs.
constexpr int kWriteOutMs = 50;

// "rate,N,8,1": any positive rate, and only the one frame format the terminal speaks.
std::optional<qint32> baudFromSettings(const QString &settings)
{
    const QStringList parts = settings.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    bool isNumber = false;
    const qint32 baud = parts[0].toInt(&isNumber);
    if (!isNumber || baud <= 0)
        return std::nullopt;
    if (parts[1].compare(QLatin1String("N"), Qt::CaseInsensitive) != 0 || parts[2] != QLatin1String("8")
        || parts[3] != QLatin1String("1"))
        return std::nullopt;
    return baud;
}

// A tty whose other end went away (pty master closed, USB adapter pulled) is hung up: poll
// reports it at once, reads return end-of-file instead of blocking, and its ioctls fail with EIO.
// Qt tells the end-of-file apart from a read error only by a stale errno, so look for ourselves.
bool isHungUp(int fd)
{
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
        return true;
    int waiting = 0;
    return ::ioctl(fd, FIONREAD, &waiting) != 0 && (errno == EIO || errno == ENXIO || errno == ENODEV);
}

// Qt reports a refused device and a device locked by another program both as a permission
// error; only the first is a matter of file permissions.
bool isAccessDenied(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), R_OK | W_OK) != 0 && errno == EACCES;
}

} // namespace

QtSerialPort::QtSerialPort(Resolver resolver, QObject *parent)
    : QObject(parent), m_resolver(std::move(resolver)), m_port(std::make_unique<QSerialPort>())
{
    connect(m_port.get(), &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { onError(error); });
    connect(m_port.get(), &QSerialPort::readyRead, this, [this] {
        if (m_notify)
            m_notify(PortActivity::BytesArrived);
    });
}

QtSerialPort::~QtSerialPort()
{
    m_port->disconnect(this);
    closePort();
}

void QtSerialPort::setCommPort(int portNumber)
{
    if (portNumber < kFirstPort || portNumber > kLastPort) {
        throw Failure(QStringLiteral("Invalid port number %1: ports are numbered COM1 to COM256")
                          .arg(portNumber),
                      ErrInvalidPortNumber, kTextInvalidPort, {QString::number(portNumber)});
    }
    m_commPort = portNumber;
}

int QtSerialPort::commPort() const
{
    return m_commPort;
}

QString QtSerialPort::devicePath() const
{
    return m_resolver(m_commPort);
}

void QtSerialPort::setSettings(const QString &settings)
{
    const std::optional<qint32> baud = baudFromSettings(settings);
    if (!baud) {
        throw Failure(QStringLiteral("Invalid line settings \"%1\": expected a baud rate followed "
                                     "by N,8,1 (no parity, 8 data bits, 1 stop bit)")
                          .arg(settings),
                      ErrBadSettings, kTextInvalidSettings, {settings});
    }
    m_settings = settings;
    m_baud = *baud;
}

QString QtSerialPort::settings() const
{
    return m_settings;
}

bool QtSerialPort::portOpen() const
{
    return m_port->isOpen() && !m_lossPending;
}

void QtSerialPort::setPortOpen(bool open)
{
    if (open && portOpen())
        return;
    // Also the remains of a lost device: its handle, if the event loop has not got to it yet,
    // and the bytes it left that nobody read.
    closePort();
    if (open)
        openPort();
}

void QtSerialPort::openPort()
{
    const QString path = m_resolver(m_commPort);
    // The lock file is named after the device, so a link and its target must lock alike.
    const QString target = QFileInfo(path).canonicalFilePath();
    m_port->setPortName(target.isEmpty() ? path : target);
    // Open at a rate every device takes, so a refused rate can be told from a missing device.
    m_port->setBaudRate(QSerialPort::Baud9600);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port->open(QIODevice::ReadWrite))
        failOpen(path);
    if (!m_port->setBaudRate(m_baud)) {
        m_port->close();
        throw Failure(QStringLiteral("%1 does not accept the line settings %2 (%3 baud)")
                          .arg(portLabel(path), m_settings)
                          .arg(m_baud),
                      ErrBadSettings, kTextRateRefused,
                      {QString::number(m_commPort), path, m_settings, QString::number(m_baud)});
    }
    m_openPath = path;
    m_deviceLost = false;
    takeOverReading();
}

void QtSerialPort::failOpen(const QString &path)
{
    const QString label = portLabel(path);
    // Qt reports a lock file it could not write as a permission error, even when the device
    // itself does not exist; what is not there is not "in use".
    const bool deviceMissing = !QFileInfo::exists(path);
    switch (deviceMissing ? QSerialPort::DeviceNotFoundError : m_port->error()) {
    case QSerialPort::DeviceNotFoundError:
        throw Failure(QStringLiteral("%1 is not available: there is no such device").arg(label),
                      ErrNoHardware, kTextNoDevice, {QString::number(m_commPort), path});
    case QSerialPort::PermissionError:
        if (isAccessDenied(path)) {
            throw Failure(QStringLiteral("%1 cannot be opened: permission denied on %2 (the user "
                                         "may need to be in the 'dialout' group)")
                              .arg(label, path),
                          ErrPermissionDenied, kTextPermissionDenied,
                          {QString::number(m_commPort), path, path});
        }
        [[fallthrough]];
    case QSerialPort::OpenError:
        throw Failure(QStringLiteral("%1 is in use by another program").arg(label), ErrPortInUse,
                      kTextInUse, {QString::number(m_commPort), path});
    default:
        throw Failure(QStringLiteral("%1 is not available: %2").arg(label, m_port->errorString()),
                      ErrNoHardware, kTextNotAvailable,
                      {QString::number(m_commPort), path, m_port->errorString()});
    }
}

void QtSerialPort::closePort()
{
    releaseHandle();
    m_held.clear();
}

void QtSerialPort::releaseHandle()
{
    // The watch goes before the descriptor it watches.
    m_arrivals.reset();
    m_readsDirectly = false;
    if (m_port->isOpen())
        m_port->close();
    m_lossPending = false;
    m_openPath.clear();
}

// Bytes the OS handed over before the device went away are as much the device's output as any
// other: closing the handle would throw away what Qt has buffered and whatever the descriptor
// still gives. A pty drops what was still unread when its master closed, so after such a
// hang-up it gives end-of-file at once.
void QtSerialPort::keepRemains()
{
    if (!m_port->isOpen())
        return;
    takeQtBuffer();
    readDescriptorToEnd();
}

QString QtSerialPort::portLabel(const QString &path) const
{
    return QStringLiteral("Port COM%1 (%2)").arg(m_commPort).arg(path);
}

void QtSerialPort::output(const QString &text)
{
    if (!portOpen())
        throw Failure(QStringLiteral("Port COM%1 is not open").arg(m_commPort), ErrPortNotOpen,
                      kTextNotOpen, {QString::number(m_commPort)});
    const QByteArray bytes = encodeCp1252(text);
    if (bytes.isEmpty())
        return;
    const QString label = portLabel(m_openPath);
    if (m_port->write(bytes) != bytes.size()) {
        throw Failure(QStringLiteral("Writing to %1 failed: %2").arg(label, m_port->errorString()),
                      ErrWriteFailed, kTextWriteFailed,
                      {QString::number(m_commPort), m_openPath, m_port->errorString()});
    }
    pushPendingWrites();
    if (m_lossPending)
        throw Failure(QStringLiteral("Writing to %1 failed: the device is gone").arg(label),
                      ErrWriteFailed, kTextDeviceGone, {QString::number(m_commPort), m_openPath});
}

void QtSerialPort::pushPendingWrites()
{
    const QDeadlineTimer deadline(kWriteOutMs);
    while (portOpen() && m_port->bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!m_port->waitForBytesWritten(int(deadline.remainingTime())))
            break;
    }
}

// Once the device is gone only what it left is waiting; a port closed otherwise has nothing.
qint16 QtSerialPort::inBufferCount()
{
    // The poller asks all the time; it must not wait for Qt to report a hang-up that Qt may
    // report late, as a plain read error, or not at all.
    if (portOpen() && (m_readsDirectly ? !readWaiting() : isHungUp(int(m_port->handle()))))
        markDeviceLost();
    if (portOpen() && m_readsDirectly)
        noteCounted();
    if (!portOpen() || m_readsDirectly)
        return qint16(std::min(qint64(m_held.size()), kLargestCount));
    return qint16(std::min(m_port->bytesAvailable(), kLargestCount));
}

// Reading a closed port is not a failure.
QString QtSerialPort::input()
{
    if (portOpen() && m_readsDirectly)
        takeQtBuffer();
    if (!portOpen() || m_readsDirectly)
        return decodeCp1252(std::exchange(m_held, QByteArray()));
    return decodeCp1252(m_port->readAll());
}

bool QtSerialPort::takeDeviceLost()
{
    return std::exchange(m_deviceLost, false);
}

void QtSerialPort::setActivityNotification(std::function<void(PortActivity)> notify)
{
    m_notify = std::move(notify);
}

void QtSerialPort::onError(int error)
{
    if (!portOpen())
        return;
    const bool lost = error == QSerialPort::ResourceError
                      || ((error == QSerialPort::ReadError || error == QSerialPort::WriteError)
                          && isHungUp(int(m_port->handle())));
    if (lost)
        markDeviceLost();
}

// A hung-up descriptor stays readable for ever, so Qt's notifier would fire without end; the
// port is closed as soon as the event loop is back, never from inside Qt's own notification.
// What it delivered is kept at once, so that it can be counted and read while the close waits.
void QtSerialPort::markDeviceLost()
{
    keepRemains();
    // The hung-up descriptor would keep the watch firing until the close.
    if (m_arrivals)
        m_arrivals->setEnabled(false);
    m_lossPending = true;
    m_deviceLost = true;
    // Told from the event loop, never from inside a caller that is counting right now.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_notify)
                m_notify(PortActivity::DeviceLost);
        },
        Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_lossPending)
                return;
            keepRemains();
            releaseHandle();
        },
        Qt::QueuedConnection);
}

} // namespace platform
