#include "TrafficListModel.h"

#include "Cp1252.h"

#include <algorithm>
#include <cstring>

TrafficListModel::TrafficListModel(QObject *parent) : QAbstractListModel(parent) {}

TrafficListModel::~TrafficListModel() = default;

void TrafficListModel::appendLine(const QString &line)
{
    const LineRef ref = store(line);
    const int row = int(m_lines.size());
    beginInsertRows(QModelIndex(), row, row);
    m_lines.push_back(ref);
    keepRecent(line);
    endInsertRows();
}

// The newest line is always kept, however long.
void TrafficListModel::keepRecent(const QString &line)
{
    m_recent.push_back(line);
    m_recentCharacters += line.size();
    while (m_recent.size() > 1
           && (m_recent.size() > kRecentLines || m_recentCharacters > kRecentCharacters)) {
        m_recentCharacters -= m_recent.front().size();
        m_recent.pop_front();
    }
}

TrafficListModel::LineRef TrafficListModel::store(QStringView line)
{
    LineRef ref;
    ref.length = quint64(line.size());
    m_longestLine = std::max(m_longestLine, line.size());
    if (line.isEmpty())
        return ref;

    TextChunks::Place place;
    qsizetype size = line.size();
    if (!platform::encodeCp1252Exactly(line, m_text.reserve(size, place))) {
        size = line.size() * qsizetype(sizeof(char16_t));
        ref.wide = 1;
        std::memcpy(m_text.reserve(size, place), line.utf16(), size_t(size));
    }
    m_text.commit(size);
    ref.chunk = place.chunk;
    ref.offset = place.offset;
    m_textBytes += size;
    return ref;
}

QString TrafficListModel::textOf(const LineRef &ref) const
{
    const qsizetype length = qsizetype(ref.length);
    if (length == 0)
        return QString();
    const char *bytes = m_text.at({ref.chunk, ref.offset});
    if (!ref.wide)
        return platform::decodeCp1252(QByteArrayView(bytes, length));
    QString text(length, Qt::Uninitialized);
    std::memcpy(text.data(), bytes, size_t(length) * sizeof(char16_t));
    return text;
}

void TrafficListModel::clear()
{
    beginResetModel();
    std::deque<LineRef>().swap(m_lines); // clear() alone would keep the blocks
    m_text.clear();
    m_recent.clear();
    m_recentCharacters = 0;
    m_longestLine = 0;
    m_textBytes = 0;
    m_raw.clear();
    endResetModel();
}

QModelIndex TrafficListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column != 0 || parent.isValid() || size_t(row) >= m_lines.size())
        return QModelIndex();
    return createIndex(row, 0);
}

int TrafficListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

QVariant TrafficListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return QVariant();
    return lineAt(index.row());
}

Qt::ItemFlags TrafficListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QString TrafficListModel::lineAt(int row) const
{
    if (row < 0 || qsizetype(row) >= count())
        return QString();
    const size_t fromEnd = size_t(count() - 1 - row);
    if (fromEnd < m_recent.size())
        return m_recent[m_recent.size() - 1 - fromEnd];
    return textOf(m_lines[size_t(row)]);
}

qsizetype TrafficListModel::count() const
{
    return qsizetype(m_lines.size());
}

qsizetype TrafficListModel::longestLineLength() const
{
    return m_longestLine;
}

qsizetype TrafficListModel::storedTextBytes() const
{
    return m_textBytes;
}

qsizetype TrafficListModel::allocatedBytes() const
{
    qsizetype total = m_text.allocatedBytes() + m_raw.allocatedBytes();
    // std::deque keeps its elements in 512-byte blocks, reached through one pointer each.
    const qsizetype perBlock = std::max<qsizetype>(1, 512 / qsizetype(sizeof(LineRef)));
    const qsizetype blocks = (count() + perBlock - 1) / perBlock + 1;
    return total + blocks * (512 + qsizetype(sizeof(void *)));
}
