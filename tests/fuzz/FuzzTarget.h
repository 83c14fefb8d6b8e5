#pragma once
// The libFuzzer side of a check: a broken property stops the run like a crash, so libFuzzer
// keeps the input that broke it.
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <cstdio>

namespace fuzztarget {

inline QByteArrayView bytes(const std::uint8_t *data, std::size_t size)
{
    return QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size));
}

inline int verdict(const QString &broken)
{
    if (!broken.isEmpty()) {
        std::fprintf(stderr, "broken promise: %s\n", broken.toLocal8Bit().constData());
        std::fflush(stderr);
        __builtin_trap();
    }
    return 0;
}

} // namespace fuzztarget
