#include "CaptureFormat.h"

#include "CaptureLine.h"
#include "Cp1252.h"
#include "TrafficLine.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

void appendNumber(QByteArray &out, int value, int width)
{
    out.append(QByteArray::number(value).rightJustified(width, '0'));
}

void appendDate(QByteArray &out, const platform::SystemTime &t, const char *separator)
{
    appendNumber(out, t.wYear, 4);
    out.append(separator);
    appendNumber(out, t.wMonth, 2);
    out.append(separator);
    appendNumber(out, t.wDay, 2);
}

} // namespace

void appendCaptureData(QByteArray &out, QByteArrayView bytes)
{
    // One form for the capture, the copied lines and the saved list.
    QString data;
    appendTokenizedData(data, platform::decodeCp1252(bytes));
    out.append(data.toUtf8());
}

QByteArray captureTrafficLine(const platform::SystemTime &stamp, const QString &marker,
                              QByteArrayView bytes)
{
    QByteArray line = formatTrafficLine(stamp, marker, QString()).toUtf8();
    line.reserve(line.size() + bytes.size() + bytes.size() / 4 + 1);
    appendCaptureData(line, bytes);
    line.append('\n');
    return line;
}

QByteArray captureHeaderLine(const CaptureHeader &header, const platform::SystemTime &started)
{
    QByteArray line = "# " + header.program.toUtf8() + ", COM" + QByteArray::number(header.portNumber);
    if (!header.portOpen)
        line.append(" (closed)");
    line.append(", " + header.rate.toUtf8() + " baud, started ");
    appendDate(line, started, "-");
    line.append(' ');
    appendNumber(line, started.wHour, 2);
    line.append(':');
    appendNumber(line, started.wMinute, 2);
    line.append(':');
    appendNumber(line, started.wSecond, 2);
    line.append(" UTC\n");
    return line;
}

QByteArray captureDateLine(const platform::SystemTime &stamp)
{
    QByteArray line = "# ";
    appendDate(line, stamp, "-");
    line.append('\n');
    return line;
}

QString captureFileName(const platform::SystemTime &started)
{
    QByteArray name = "Tellurix-";
    appendDate(name, started, "");
    name.append('-');
    appendNumber(name, started.wHour, 2);
    appendNumber(name, started.wMinute, 2);
    appendNumber(name, started.wSecond, 2);
    name.append(".log");
    return QString::fromLatin1(name);
}

bool isOtherDate(const platform::SystemTime &a, const platform::SystemTime &b)
{
    return a.wYear != b.wYear || a.wMonth != b.wMonth || a.wDay != b.wDay;
}
