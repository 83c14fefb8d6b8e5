// The traffic list's raw data and its text-capture form.
#include "TrafficListModel.h"

#include "CaptureLine.h"
#include "Cp1252.h"

#include <algorithm>
#include <cstring>

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

void TrafficListModel::textInto(const LineRef &ref, QString &out) const
{
    const qsizetype length = qsizetype(ref.length);
    out.resize(length);
    if (length == 0)
        return;
    const char *bytes = m_text.at({ref.chunk, ref.offset});
    if (ref.wide) {
        std::memcpy(out.data(), bytes, size_t(length) * sizeof(char16_t));
        return;
    }
    QChar *chars = out.data();
    for (qsizetype i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        chars[i] = QChar(byte < 0x80 ? char16_t(byte) : platform::cp1252Char(byte));
    }
}

void TrafficListModel::visitCaptureLines(int first, int last,
                                         const std::function<bool(int, QStringView)> &visit) const
{
    const int rows = int(count());
    if (first < 0 || last < 0 || first >= rows || last >= rows)
        return;
    const int step = first <= last ? 1 : -1;
    QString line;
    QString raw;
    QString text;
    // The noted rows are walked alongside, so no row needs a search of its own.
    qsizetype entry = m_raw.firstEntryFrom(first);
    for (int row = first;; row += step) {
        if (step < 0) {
            while (entry > 0 && (entry == m_raw.entryCount() || m_raw.entryRow(entry) > row))
                --entry;
        } else {
            while (entry < m_raw.entryCount() && m_raw.entryRow(entry) < row)
                ++entry;
        }
        textInto(m_lines[size_t(row)], line);
        text.resize(0);
        if (entry < m_raw.entryCount() && m_raw.entryRow(entry) == row) {
            m_raw.rawInto(entry, raw);
            appendCaptureLineText(text, line, raw);
        } else {
            appendCaptureLineText(text, line, QStringView(line).sliced(std::min(line.size(), kTrafficDataColumn)));
        }
        if (!visit(row, text) || row == last)
            return;
    }
}
