#pragma once
// A failure the program reports to the user: a description and a number. The serial layer
// and the version query throw it; whoever traps it builds the report.
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <stdexcept>

namespace platform {

// A failure may also name one of the program's texts (textId, 0 for none) with the values
// that fill its placeholders, so that the report can give the description in the program's
// language; description is then the English wording of the same text.
struct Failure : std::runtime_error {
    Failure() : Failure(QString(), 0) {}
    Failure(const QString &description, qint32 number, qint32 textId = 0, QStringList textValues = {})
        : std::runtime_error(description.toStdString()),
          description(description),
          number(number),
          textId(textId),
          textValues(std::move(textValues))
    {
    }
    QString description;
    qint32 number;
    qint32 textId;
    QStringList textValues;
};

} // namespace platform
