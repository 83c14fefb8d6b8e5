#pragma once
// The lines of the traffic list in the order appended, kept compactly: millions of lines cost
// little more than their text. A Qt item model without widgets, so the session can own it and
// any number of views can show it.
#include "TextChunks.h"
#include "TrafficRawData.h"

#include <QAbstractListModel>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

// Lines in the order appended. Each line is kept exactly, whatever characters it holds.
class TrafficListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit TrafficListModel(QObject *parent = nullptr);
    ~TrafficListModel() override;

    // Amortised O(1); announces the new row through beginInsertRows/endInsertRows.
    void appendLine(const QString &line);
    // A line whose data (from position 22) shows rawData in another form: tokens or hex.
    void appendLine(const QString &line, QStringView rawData);
    void clear();

    // The view asks for indexes of every row whenever it lays rows out; keep that cheap.
    QModelIndex index(int row, int column = 0,
                      const QModelIndex &parent = QModelIndex()) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The full text of a line; empty for a row that does not exist.
    QString lineAt(int row) const;
    qsizetype count() const;
    // What went out or came in on a line, whatever its display showed (TrafficListCapture.cpp).
    QString rawDataAt(int row) const;
    // The line in the text-capture form: its stamp and marker, then the tokenized raw data.
    QString captureLineAt(int row) const;
    void appendCaptureLine(int row, QString &out) const;
    // Hands the capture form of rows first..last (backward when first > last) to visit, one
    // row after the other, until visit returns false; the text lives only during the call.
    // A pass over many lines allocates nothing per line.
    void visitCaptureLines(int first, int last,
                           const std::function<bool(int row, QStringView text)> &visit) const;
    // Length in characters of the longest line since the last clearing.
    qsizetype longestLineLength() const;

    // Memory held: bytes of line text as stored, and everything the model allocated for its
    // lines (text, index, unused chunk space).
    qsizetype storedTextBytes() const;
    qsizetype allocatedBytes() const;

private:
    // A line's text lies in one chunk of m_text, either one byte per character (the 256
    // characters of Windows-1252, which is all the serial layer ever produces) or, for lines
    // holding any other character, as raw UTF-16.
    struct LineRef {
        quint32 chunk = 0;
        quint32 offset = 0;
        quint64 length : 63 = 0; // characters
        quint64 wide : 1 = 0;
    };
    LineRef store(QStringView line);
    QString textOf(const LineRef &ref) const;
    void textInto(const LineRef &ref, QString &out) const; // TrafficListCapture.cpp

    TextChunks m_text;
    std::deque<LineRef> m_lines; // grows in small blocks: no large copies at any length
    // The newest lines as appended: a view following the stream asks for each at once and
    // paints them at the next frame; decoding them from the store each time cost more than
    // keeping a few of them.
    static constexpr size_t kRecentLines = 32;
    static constexpr qsizetype kRecentCharacters = 256 * 1024;
    void keepRecent(const QString &line);
    std::deque<QString> m_recent;
    qsizetype m_recentCharacters = 0;
    qsizetype m_longestLine = 0;
    qsizetype m_textBytes = 0;
    TrafficRawData m_raw;
};
