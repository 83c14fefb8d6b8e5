#pragma once
// How a fuzz input's bytes become the arguments of the function under test. The same rules
// serve libFuzzer and the regression test that replays committed inputs.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace fuzzinput {

// 0xFF never occurs in UTF-8, so text parts lose nothing by being cut at it.
inline constexpr char kPartSeparator = '\xFF';

// The first `count` - 1 parts end at a separator; the last part is the rest of the input,
// separators and all. Missing parts are empty.
inline QList<QByteArray> splitParts(QByteArrayView input, int count)
{
    QList<QByteArray> parts;
    QByteArrayView rest = input;
    for (int i = 0; i + 1 < count; ++i) {
        const qsizetype at = rest.indexOf(kPartSeparator);
        if (at < 0) {
            parts.append(rest.toByteArray());
            rest = {};
            continue;
        }
        parts.append(rest.first(at).toByteArray());
        rest = rest.sliced(at + 1);
    }
    parts.append(rest.toByteArray());
    return parts;
}

// Takes the first byte off the input, 0 when there is none.
inline quint8 takeByte(QByteArrayView &input)
{
    if (input.isEmpty())
        return 0;
    const quint8 byte = static_cast<quint8>(input.front());
    input = input.sliced(1);
    return byte;
}

} // namespace fuzzinput
