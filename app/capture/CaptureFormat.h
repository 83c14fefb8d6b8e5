#pragma once
// The text capture's format (.log): UTF-8 without byte-order mark, LF line ends, one line per
// traffic line. A line is the list's time stamp and marker ("HH:MM:SS.mmm", "  [OUT]  " or
// "  [IN]   ") followed by the bytes that went out or came in, written so that no byte can
// break the line and every byte can be read back:
//
// - the control characters with a token of the token table as that token (<NUL>, <STX>, <ETX>,
//   <EOT>, <ENQ>, <ACK>, <LF>, <CR>, <NAK>), every other code 1..31 and 127 as its ASCII
//   abbreviation between "<" and ">" (<SOH>, <BEL>, ..., <US>, <DEL>);
// - the five bytes Windows-1252 leaves undefined as "<x81>", "<x8D>", "<x8F>", "<x90>", "<x9D>";
// - every other byte 128..255 as its Windows-1252 character;
// - a "<" that starts a text reading as one of these tokens (or as "<LT>") as "<LT>", so that
//   a device sending the four characters "<CR>" is told apart from one sending a carriage
//   return; any other "<" stays as it is.
//
// Comment lines start with "# ": the header at the start of a capture and "# YYYY-MM-DD" before
// the first line of each new UTC date.
#include "Clock.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

struct CaptureHeader {
    QString program; // name and version, "Tellurix 2006.1.0"
    int portNumber = 1;
    QString rate;    // "9600"
    bool portOpen = true;
};

// "# Tellurix 2006.1.0, COM3, 9600 baud, started 2026-12-08 12:34:56 UTC\n"; a closed port
// reads "COM3 (closed)".
QByteArray captureHeaderLine(const CaptureHeader &header, const platform::SystemTime &started);
// "# 2026-12-08\n"
QByteArray captureDateLine(const platform::SystemTime &stamp);
// The stamp, the marker, the data as above, and "\n".
QByteArray captureTrafficLine(const platform::SystemTime &stamp, const QString &marker,
                              QByteArrayView bytes);
// The data part alone, appended to out.
void appendCaptureData(QByteArray &out, QByteArrayView bytes);

// "Tellurix-YYYYMMDD-HHMMSS.log" for a start at that moment.
QString captureFileName(const platform::SystemTime &started);

// Whether two stamps fall on different UTC dates.
bool isOtherDate(const platform::SystemTime &a, const platform::SystemTime &b);
