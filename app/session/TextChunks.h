#pragma once
// The bytes of many texts, one after the other in large chunks. A chunk that is full is kept
// compressed when that saves memory (serial traffic mostly is text: a line costs a fraction of
// its length); reading a text in it expands the chunk again, and the two chunks expanded last
// stay at hand, so that painting, scrolling and a pass over every line expand each chunk about
// once. Data that does not compress is kept as it is. The user-interface thread only.
#include <QByteArray>
#include <QtGlobal>

#include <array>
#include <deque>
#include <memory>
#include <vector>

class TextChunks {
public:
    static constexpr qsizetype kChunkBytes = qsizetype(1) << 20;
    // Texts larger than this get a chunk of their own instead of cutting the open chunk short.
    static constexpr qsizetype kOwnChunkBytes = kChunkBytes / 4;

    struct Place {
        quint32 chunk = 0;
        quint32 offset = 0;
    };

    // Room for size bytes after everything kept (size > 0): where to write them, and in place
    // the position they will have. Nothing is kept until commit(size); another reserve() first
    // gives up the room.
    char *reserve(qsizetype size, Place &place);
    void commit(qsizetype size);
    // The bytes kept at place; the pointer is valid until the next call on this object.
    const char *at(Place place) const;
    void clear();

    // Memory held: chunks as kept (compressed or not), the open one as far as it is filled (all
    // of it when it reuses a compressed chunk's room), the room kept for the next chunk, and
    // the expanded copies.
    qsizetype allocatedBytes() const;

private:
    struct Chunk {
        std::unique_ptr<char[]> bytes; // while open, or kept as it is
        qsizetype capacity = 0;
        qsizetype used = 0;
        QByteArray packed; // the compressed bytes, once full
    };
    struct Expanded {
        qsizetype chunk = -1;
        QByteArray bytes;
    };

    qsizetype addChunk(qsizetype capacity);
    void seal(qsizetype index);
    void keepLargeText(qsizetype index);

    std::vector<Chunk> m_chunks;
    qsizetype m_open = -1;     // takes the next texts that are not large
    qsizetype m_reserved = -1; // the chunk of the last reserve()
    std::deque<qsizetype> m_unsealed; // large texts' own chunks, not yet sealed
    qsizetype m_unsealedBytes = 0;
    std::unique_ptr<char[]> m_spare; // a compressed chunk's room, for the next chunk
    bool m_openFilledBefore = false; // the open chunk is such room
    mutable std::array<Expanded, 2> m_expanded;
    mutable size_t m_recent = 0; // the expanded copy used last
};
