#include "PortListMarks.h"

#include "PortDiscovery.h"

#include <QStringList>

QString markHeldPorts(const QString &portList, const std::function<bool(int)> &held, const QString &mark)
{
    QStringList fields = portList.split(kPortListSeparator);
    // Fields 2k (number) and 2k + 1 (name), counted from 1: positions 2k - 1 and 2k here.
    for (qsizetype number = 1; number + 1 < fields.size(); number += 2) {
        bool isNumber = false;
        const int port = fields[number].toInt(&isNumber);
        if (isNumber && port >= 1 && held(port))
            fields[number + 1] = mark + QLatin1Char(' ') + fields[number + 1];
    }
    return fields.join(kPortListSeparator);
}
