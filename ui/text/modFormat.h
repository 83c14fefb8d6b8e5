#pragma once
// Message templates ("%%" placeholders), field lists and the number filter, plus the
// program's three forms of error report.
#include "Failure.h"

#include <QString>
#include <QtGlobal>

class QWidget;

// The application title: the title of the short report and of the line box.
inline const QString kAppTitle = QStringLiteral("Tellurix");

QString fkt_FormatInsertParam(const QString &tmpl, const QString &p1 = {}, const QString &p2 = {},
                              const QString &p3 = {}, const QString &p4 = {},
                              const QString &p5 = {}, const QString &p6 = {},
                              const QString &p7 = {}, const QString &p8 = {},
                              const QString &p9 = {}, const QString &p10 = {},
                              const QString &p11 = {});
QString fkt_FormatExtractSpecParameter(const QString &source, quint8 fieldNumber, bool numbersOnly,
                                       const QString &separator);
QString fkt_FormatFilterOnlyNumericValue(const QString &value);

// The localised report of a failed action ("An error occured with followning action: ...",
// critical icon, title "Error occured").
// Stores description and number in g_strErrDescription / g_lngErrNumber first.
void reportFailedAction(QWidget *parent, const QString &actionText, const QString &description,
                        qint32 number);
// A failure's description in the program's language: its text from the string table, filled
// with its values, or the description it came with when it names no text.
QString failureDescription(const platform::Failure &failure);

// The short fixed German report of the send button.
void reportShort(QWidget *parent, const QString &description, qint32 number);
