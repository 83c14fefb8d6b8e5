#pragma once
// A failure the program reports to the user: a description and a number. The serial layer
// and the version query throw it; whoever traps it builds the report.
#include <QString>
#include <QtGlobal>
#include <stdexcept>

namespace platform {

struct Failure : std::runtime_error {
    Failure() : Failure(QString(), 0) {}
    Failure(const QString &description, qint32 number)
        : std::runtime_error(description.toStdString()), description(description), number(number)
    {
    }
    QString description;
    qint32 number;
};

} // namespace platform
