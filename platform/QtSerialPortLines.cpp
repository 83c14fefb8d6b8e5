// The modem lines of QtSerialPort, straight through the terminal's ioctls: Qt's own calls report
// a device without modem lines (a pty) as an error of the port, which must not look like a
// failing device.
#include "QtSerialPort.h"

#include <QSerialPort>

#include <sys/ioctl.h>

namespace platform {

bool QtSerialPort::setModemBit(int bit, bool on)
{
    if (!portOpen())
        return false;
    return ::ioctl(int(m_port->handle()), on ? TIOCMBIS : TIOCMBIC, &bit) == 0;
}

bool QtSerialPort::setDataTerminalReady(bool on)
{
    return setModemBit(TIOCM_DTR, on);
}

bool QtSerialPort::setRequestToSend(bool on)
{
    return setModemBit(TIOCM_RTS, on);
}

std::optional<unsigned> QtSerialPort::pinoutSignals()
{
    int bits = 0;
    if (!portOpen() || ::ioctl(int(m_port->handle()), TIOCMGET, &bits) != 0)
        return std::nullopt;
    unsigned lines = 0;
    if (bits & TIOCM_CTS)
        lines |= SignalCts;
    if (bits & TIOCM_DSR)
        lines |= SignalDsr;
    if (bits & TIOCM_CAR)
        lines |= SignalDcd;
    if (bits & TIOCM_RNG)
        lines |= SignalRi;
    return lines;
}

bool QtSerialPort::setBreakEnabled(bool on)
{
    if (!portOpen())
        return false;
    return ::ioctl(int(m_port->handle()), on ? TIOCSBRK : TIOCCBRK) == 0;
}

} // namespace platform
