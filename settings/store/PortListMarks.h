#pragma once
// Marks in a port list (see PortDiscovery.h) for ports that another program holds: the mark
// goes in front of the friendly name, so that the rest of the name reads as before.
#include <QString>
#include <functional>

// held(portNumber) says whether the port is held; the list's other fields stay as they are.
QString markHeldPorts(const QString &portList, const std::function<bool(int)> &held, const QString &mark);
