#pragma once
// Properties that must hold for any input, one check per fuzz target. Each returns an empty
// text when every property held, else a description of the first one broken. A crash or a
// sanitizer report is a failure of its own.
#include <QByteArrayView>
#include <QString>

namespace fuzzcheck {

// Profile files: parts "section ÿ key ÿ value ÿ other section ÿ other key ÿ file bytes" (ÿ the
// byte 0xFF, names and values UTF-8). Works on Profile.ini in `folder`.
QString checkProfileFile(QByteArrayView input, const QString &folder);

// Tokens: the whole input is the text, one character per byte.
QString checkTokens(QByteArrayView input);

// Template functions: byte 0 the field number, byte 1 the flags (bit 0 numbers only; a high
// nibble of 0xA pads the source and the front of the template to 32760 + byte 2 % 16
// characters), then "separator ÿ source ÿ template ÿ parameter 1 ÿ ... ÿ parameter 11", UTF-8.
QString checkFormat(QByteArrayView input);

// Port lists: byte 0 the current port index, the rest the list, one character per byte.
// Needs a QApplication.
QString checkPortLists(QByteArrayView input);

} // namespace fuzzcheck
