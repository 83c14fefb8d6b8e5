#pragma once
// Work over all lines of the traffic list in their text-capture form (CaptureLine.h): the
// whole list as one text, and finding a text in it. Tokens count as text, so "<CR>" finds
// carriage returns whether the lines showed them raw, as tokens or as hex.
#include <QString>

class TrafficListModel;

// Every line in the text-capture form, joined with LF (no LF after the last line).
QString trafficCaptureText(const TrafficListModel &model);

enum class FindDirection { Forward, Backward };

// The first line after `from` (before it, backward) whose capture text holds needle, going on
// from the other end and ending with `from` itself; -1 when no line holds it or needle is
// empty. A `from` outside the list starts at the first line (the last, backward).
int findTrafficLine(const TrafficListModel &model, const QString &needle, int from,
                    FindDirection direction, Qt::CaseSensitivity cs);
