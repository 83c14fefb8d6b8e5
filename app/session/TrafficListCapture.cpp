// The traffic list's raw data and its text-capture form.
#include "TrafficListModel.h"

#include "CaptureLine.h"

void TrafficListModel::appendLine(const QString &line, QStringView rawData)
{
    // Noted before the row is announced, so that whoever follows the insertion finds it.
    m_raw.note(int(count()), QStringView(line).sliced(std::min(line.size(), kTrafficDataColumn)),
               rawData);
    appendLine(line);
}

QString TrafficListModel::rawDataAt(int row) const
{
    if (std::optional<QString> raw = m_raw.rawOf(row))
        return *raw;
    const QString line = lineAt(row);
    return line.mid(kTrafficDataColumn);
}

void TrafficListModel::appendCaptureLine(int row, QString &out) const
{
    const QString line = lineAt(row);
    if (const std::optional<QString> raw = m_raw.rawOf(row))
        appendCaptureLineText(out, line, *raw);
    else
        appendCaptureLineText(out, line, QStringView(line).sliced(std::min(line.size(), kTrafficDataColumn)));
}

QString TrafficListModel::captureLineAt(int row) const
{
    QString out;
    appendCaptureLine(row, out);
    return out;
}
