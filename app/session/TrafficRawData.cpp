#include "TrafficRawData.h"

#include "Cp1252.h"

#include <algorithm>

void TrafficRawData::note(int row, QStringView shown, QStringView raw)
{
    if (shown == raw)
        return;
    const qsizetype size = raw.size();
    Entry entry;
    entry.row = row;
    entry.length = quint32(size);
    if (size > 0) {
        TextChunks::Place place;
        char *out = m_bytes.reserve(size, place);
        entry.chunk = place.chunk;
        entry.offset = place.offset;
        // Raw data is bytes: every character has its byte in the code page.
        for (const QChar c : raw) {
            const int byte = c.unicode() < 0x80 ? c.unicode() : platform::cp1252Byte(c.unicode());
            *out++ = char(byte < 0 ? '?' : byte);
        }
        m_bytes.commit(size);
    }
    m_entries.push_back(entry);
}

qsizetype TrafficRawData::firstEntryFrom(int row) const
{
    const auto it = std::lower_bound(m_entries.begin(), m_entries.end(), row,
                                     [](const Entry &e, int r) { return e.row < r; });
    return qsizetype(it - m_entries.begin());
}

void TrafficRawData::rawInto(qsizetype i, QString &out) const
{
    const Entry &entry = m_entries[size_t(i)];
    out.resize(qsizetype(entry.length));
    if (entry.length == 0)
        return;
    const char *bytes = m_bytes.at({entry.chunk, entry.offset});
    QChar *chars = out.data();
    for (quint32 k = 0; k < entry.length; ++k) {
        const auto byte = static_cast<unsigned char>(bytes[k]);
        chars[k] = QChar(byte < 0x80 ? char16_t(byte) : platform::cp1252Char(byte));
    }
}

std::optional<QString> TrafficRawData::rawOf(int row) const
{
    const qsizetype i = firstEntryFrom(row);
    if (i == entryCount() || entryRow(i) != row)
        return std::nullopt;
    QString raw;
    rawInto(i, raw);
    return raw;
}

void TrafficRawData::clear()
{
    std::deque<Entry>().swap(m_entries);
    m_bytes.clear();
}

qsizetype TrafficRawData::allocatedBytes() const
{
    return m_bytes.allocatedBytes() + qsizetype(m_entries.size() * sizeof(Entry));
}
