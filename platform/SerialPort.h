#pragma once
// The serial line: one port object with the five operations the terminal relies on
// (configure, open state, write, count waiting, read all). Data passes as text, one
// Windows-1252 character per byte, both ways.
//
// Failures throw Failure with a description that names the device and one of these numbers:
//   8002  invalid port number (outside COM1..COM256)
//   8005  port already open / in use by another program
//   8010  hardware not available (no such device)
//   8012  device not open (write on a closed port)
//   8015  could not set the line settings (bad settings text or rejected by the device)
//   8016  permission denied (the user may not use the device)
//   8020  write failed or device lost while open
#include "Failure.h"

#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

namespace platform {

// The program's texts for these failures, filled with the failure's textValues in order.
enum SerialErrorText : qint32 {
    kTextInvalidPort = 1630,      // port number
    kTextInvalidSettings = 1631,  // settings text
    kTextRateRefused = 1632,      // port number, device path, settings text, rate
    kTextNoDevice = 1633,         // port number, device path
    kTextPermissionDenied = 1634, // port number, device path, device path
    kTextInUse = 1635,            // port number, device path
    kTextNotAvailable = 1636,     // port number, device path, the system's reason
    kTextNotOpen = 1637,          // port number
    kTextWriteFailed = 1638,      // port number, device path, the system's reason
    kTextDeviceGone = 1639,       // port number, device path
};

enum SerialErrorNumber : qint32 {
    ErrInvalidPortNumber = 8002,
    ErrPortInUse = 8005,
    ErrNoHardware = 8010,
    ErrPortNotOpen = 8012,
    ErrBadSettings = 8015,
    ErrPermissionDenied = 8016,
    ErrWriteFailed = 8020,
};

// The input lines of the modem interface, as pinoutSignals() reports them.
enum PinoutSignal : unsigned {
    SignalCts = 0x1, // clear to send
    SignalDsr = 0x2, // data set ready
    SignalDcd = 0x4, // data carrier detect
    SignalRi = 0x8,  // ring indicator
};

// What an activity notification tells.
enum class PortActivity {
    BytesArrived,
    DeviceLost,
};

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Configure: take effect at the next open. The port always reads everything waiting, with
    // no receive or send thresholds, no end-of-file character and no handshaking.
    virtual void setCommPort(int portNumber) = 0;           // 1..256, else throws 8002
    virtual int commPort() const = 0;
    // The device path the port number means now (a link stays a link).
    virtual QString devicePath() const = 0;
    virtual void setSettings(const QString &settings) = 0;  // "9600,N,8,1", else throws 8015
    virtual QString settings() const = 0;

    // Open state.
    virtual bool portOpen() const = 0;
    virtual void setPortOpen(bool open) = 0; // throws on failure to open

    // Write every character as one byte, in order; throws 8012 on a closed port.
    virtual void output(const QString &text) = 0;
    // Received bytes not yet read, capped at 32767; 0 on a closed port.
    virtual qint16 inBufferCount() = 0;
    // Returns and removes every byte waiting.
    virtual QString input() = 0;

    // True once after the device went away while open (the port is then closed).
    // What the device sent before it went away and nobody has read yet stays waiting on the
    // closed port: inBufferCount() counts it and input() returns it, once, in order. Opening or
    // closing the port (setPortOpen) forgets it, so read it before doing either.
    virtual bool takeDeviceLost() = 0;

    // Called from the event loop whenever bytes arrived or the device went away, so that a
    // reader may rest while the line is idle. It may come more often than anything changed.
    virtual void setActivityNotification(std::function<void(PortActivity)> notify) = 0;
    // A reader that counts at short intervals by itself says so: while it polls, bytes may wait
    // in the system unread until the next count, and the notification need not come at all, so
    // that a busy line wakes nobody between the reader's own looks. By default (not polling) the
    // port takes bytes in and notifies as they come. Counting and reading give the same bytes in
    // the same order either way.
    virtual void setReaderPolling(bool polling) = 0;

    // The modem lines of the open port. Each is false, or nothing, on a closed port and on a
    // device without such lines (a pty); none of them fails otherwise or blocks.
    virtual bool setDataTerminalReady(bool on) = 0;
    virtual bool setRequestToSend(bool on) = 0;
    virtual std::optional<unsigned> pinoutSignals() = 0; // PinoutSignal bits
    // Holds the line in the break state until switched off again.
    virtual bool setBreakEnabled(bool on) = 0;
};

} // namespace platform
