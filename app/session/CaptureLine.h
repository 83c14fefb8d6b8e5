#pragma once
// The text-capture form of a traffic line: the list's time stamp and marker as the list shows
// them, then the bytes that actually went out or came in, whatever the display mode was. Every
// control character is written as a token, so the text survives a paste into a report and
// compares byte for byte with a capture of the same session.
//
// Raw data is text with one Windows-1252 character per byte, as the serial layer hands it over.
// Codes 0-31 and 127 become their ASCII abbreviation between "<" and ">" ("<NUL>", "<CR>",
// "<ESC>", "<DEL>"); the five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) become "<x81>" and so on; every other byte is its Windows-1252 character. A "<" that
// starts a text reading as one of these tokens (or as "<LT>") becomes "<LT>", so that a device
// sending the four characters "<CR>" is told apart from one sending a carriage return.
#include "Clock.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Where the data starts in a list line: after "HH:MM:SS.mmm" and the nine-character marker.
inline constexpr qsizetype kTrafficDataColumn = 21;

QString tokenizedData(QStringView raw);
QString tokenizedData(QByteArrayView rawBytes);
// The same, appended to out: no allocation once out has grown, for work over many lines.
void appendTokenizedData(QString &out, QStringView raw);

// The first 21 characters of the list line (stamp and marker), then the tokenized raw data.
QString captureLineText(QStringView listLine, QStringView raw);
void appendCaptureLineText(QString &out, QStringView listLine, QStringView raw);
// A line that is not in the list yet, from the time-stamp record.
QString captureLineText(const platform::SystemTime &stamp, const QString &marker, QStringView raw);

// The bytes as two upper-case hex digits each, separated by blanks: "41 42 0D 0A".
QString hexData(QStringView raw);
