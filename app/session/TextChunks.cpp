#include "TextChunks.h"

#include <algorithm>
#include <cstring>

namespace {

// A look at the start of a chunk tells whether compressing it is worth its time: random or
// already compressed data would cost some 30 ms a megabyte for nothing.
constexpr qsizetype kProbeBytes = 64 * 1024;
constexpr int kLevel = 1; // the fastest: a megabyte of text in a few milliseconds

bool worthKeeping(qsizetype packed, qsizetype plain)
{
    return packed < plain - plain / 4;
}

} // namespace

qsizetype TextChunks::addChunk(qsizetype capacity)
{
    // Deliberately left uninitialised: untouched pages of a fresh chunk cost no memory. The
    // chunk compressed last gives its room to the next one: a stream fills chunk after chunk,
    // and fresh pages would cost a fault each.
    std::unique_ptr<char[]> bytes = capacity == kChunkBytes && m_spare
        ? std::move(m_spare)
        : std::make_unique_for_overwrite<char[]>(size_t(capacity));
    m_chunks.push_back({std::move(bytes), capacity, 0, {}});
    return qsizetype(m_chunks.size() - 1);
}

char *TextChunks::reserve(qsizetype size, Place &place)
{
    // Room given before and not used: a large text's own chunk goes again.
    if (m_reserved >= 0 && m_reserved != m_open && m_chunks[size_t(m_reserved)].used == 0
        && m_reserved == qsizetype(m_chunks.size() - 1))
        m_chunks.pop_back();
    if (size > kOwnChunkBytes) {
        m_reserved = addChunk(size);
    } else {
        const bool full = m_open >= 0
            && m_chunks[size_t(m_open)].capacity - m_chunks[size_t(m_open)].used < size;
        if (m_open < 0 || full) {
            if (m_open >= 0)
                seal(m_open);
            m_openFilledBefore = bool(m_spare);
            m_open = addChunk(kChunkBytes);
        }
        m_reserved = m_open;
    }
    Chunk &chunk = m_chunks[size_t(m_reserved)];
    place = {quint32(m_reserved), quint32(chunk.used)};
    return chunk.bytes.get() + chunk.used;
}

void TextChunks::commit(qsizetype size)
{
    Chunk &chunk = m_chunks[size_t(m_reserved)];
    chunk.used += size;
    if (m_reserved != m_open)
        keepLargeText(m_reserved);
    m_reserved = -1;
}

// The newest large texts are the ones shown: they stay as they are until a chunk's worth of
// newer ones follows.
void TextChunks::keepLargeText(qsizetype index)
{
    m_unsealed.push_back(index);
    m_unsealedBytes += m_chunks[size_t(index)].used;
    while (m_unsealed.size() > 1
           && m_unsealedBytes - m_chunks[size_t(m_unsealed.front())].used >= kChunkBytes) {
        m_unsealedBytes -= m_chunks[size_t(m_unsealed.front())].used;
        seal(m_unsealed.front());
        m_unsealed.pop_front();
    }
}

void TextChunks::seal(qsizetype index)
{
    Chunk &chunk = m_chunks[size_t(index)];
    const auto *bytes = reinterpret_cast<const uchar *>(chunk.bytes.get());
    const qsizetype probe = std::min(chunk.used, kProbeBytes);
    if (probe > 0 && worthKeeping(qCompress(bytes, probe, kLevel).size(), probe)) {
        QByteArray packed = qCompress(bytes, chunk.used, kLevel);
        if (worthKeeping(packed.size(), chunk.used)) {
            packed.squeeze();
            chunk.packed = std::move(packed);
            if (chunk.capacity == kChunkBytes && !m_spare)
                m_spare = std::move(chunk.bytes);
            chunk.bytes.reset();
            chunk.capacity = 0;
            return;
        }
    }
    if (chunk.capacity > chunk.used) {
        auto exact = std::make_unique_for_overwrite<char[]>(size_t(chunk.used));
        std::memcpy(exact.get(), chunk.bytes.get(), size_t(chunk.used));
        chunk.bytes = std::move(exact);
        chunk.capacity = chunk.used;
    }
}

const char *TextChunks::at(Place place) const
{
    const Chunk &chunk = m_chunks[place.chunk];
    if (chunk.bytes)
        return chunk.bytes.get() + place.offset;
    for (size_t i = 0; i < m_expanded.size(); ++i) {
        if (m_expanded[i].chunk == qsizetype(place.chunk)) {
            m_recent = i;
            return m_expanded[i].bytes.constData() + place.offset;
        }
    }
    m_recent = 1 - m_recent;
    Expanded &copy = m_expanded[m_recent];
    copy.chunk = qsizetype(place.chunk);
    copy.bytes = qUncompress(chunk.packed);
    return copy.bytes.constData() + place.offset;
}

void TextChunks::clear()
{
    std::vector<Chunk>().swap(m_chunks);
    m_expanded = {};
    m_spare.reset();
    m_openFilledBefore = false;
    m_open = -1;
    m_reserved = -1;
    m_unsealed.clear();
    m_unsealedBytes = 0;
}

qsizetype TextChunks::allocatedBytes() const
{
    qsizetype total = qsizetype(m_chunks.capacity() * sizeof(Chunk));
    // The open chunk counts what it holds, unless it was filled before: its untouched pages
    // cost no memory.
    for (size_t i = 0; i < m_chunks.size(); ++i)
        total += (qsizetype(i) == m_open && !m_openFilledBefore ? m_chunks[i].used : m_chunks[i].capacity)
            + m_chunks[i].packed.capacity();
    for (const Expanded &copy : m_expanded)
        total += copy.bytes.capacity();
    if (m_spare)
        total += kChunkBytes;
    return total;
}
