#pragma once
// What actually went out or came in, for the traffic lines whose shown data is something else
// (tokens, hex). A line shown raw costs nothing here: its raw data is its shown data. Lines
// are noted in the order appended, so finding one is a binary search over the few noted.
#include "TextChunks.h"

#include <QString>
#include <QStringView>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

class TrafficRawData {
public:
    // Keeps raw for row when it differs from what the row shows. Rows come in rising order.
    void note(int row, QStringView shown, QStringView raw);
    // The raw data kept for row; nothing when the row shows its raw data.
    std::optional<QString> rawOf(int row) const;
    void clear();
    qsizetype allocatedBytes() const;

    // Walking the noted rows in order, for passes over many lines without a search per line:
    // entry i is the i-th noted row.
    qsizetype entryCount() const { return qsizetype(m_entries.size()); }
    qsizetype firstEntryFrom(int row) const; // the first entry whose row is row or later
    int entryRow(qsizetype i) const { return m_entries[size_t(i)].row; }
    // Replaces out's text with entry i's raw data; no allocation once out has grown.
    void rawInto(qsizetype i, QString &out) const;

private:
    struct Entry {
        int row = 0;
        quint32 chunk = 0;
        quint32 offset = 0;
        quint32 length = 0;
    };
    std::deque<Entry> m_entries;
    TextChunks m_bytes;
};
