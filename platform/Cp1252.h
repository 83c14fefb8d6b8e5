#pragma once
// Windows-1252 text, lossless both ways: every byte maps to one character and back.
// The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the
// C1 control characters of the same value. Characters the code page cannot hold become '?'.
#include <QByteArray>
#include <QString>

namespace platform {

QString decodeCp1252(QByteArrayView bytes);
QByteArray encodeCp1252(QStringView text);
// Writes text.size() bytes to out; false (with out partly written) as soon as a character has
// no byte of its own, where encodeCp1252 would write '?'.
bool encodeCp1252Exactly(QStringView text, char *out);

// One byte's character, and the byte of one character (-1 when the code page has none).
char16_t cp1252Char(unsigned char byte);
int cp1252Byte(char16_t c);

} // namespace platform
