#pragma once
// Control characters written as tokens such as "<STX>" or "<CR>".
//
// TokensToChars turns the eight send tokens (<STX> <ETX> <EOT> <ENQ> <ACK> <LF> <CR> <NAK>)
// into their characters; CharsToTokens turns those eight characters and NUL into tokens
// ("<NUL>" exists for display only). Matching is exact and case-sensitive. Both accept any
// text, never fail and have no side effects. The result is always the same as replacing
// all occurrences of one table row after the other, in table order.
#include <QString>

QString TokensToChars(QString text);
QString CharsToTokens(QString text);
