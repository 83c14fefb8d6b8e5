#include "TrafficText.h"

#include "TrafficListModel.h"

QString trafficCaptureText(const TrafficListModel &model)
{
    const int rows = int(model.count());
    QString text;
    // Most lines are a little longer in the capture form; one growth step at worst.
    text.reserve(model.storedTextBytes() + rows + qsizetype(rows) * 8);
    for (int row = 0; row < rows; ++row) {
        if (row > 0)
            text.append(u'\n');
        model.appendCaptureLine(row, text);
    }
    return text;
}

int findTrafficLine(const TrafficListModel &model, const QString &needle, int from,
                    FindDirection direction, Qt::CaseSensitivity cs)
{
    const int rows = int(model.count());
    if (needle.isEmpty() || rows == 0)
        return -1;
    const bool forward = direction == FindDirection::Forward;
    if (from < 0 || from >= rows)
        from = forward ? rows - 1 : 0; // so that the first step lands on the first (last) line
    QString line; // one buffer for every line: no allocation per line once it has grown
    int row = from;
    for (int step = 0; step < rows; ++step) {
        row = forward ? (row + 1 == rows ? 0 : row + 1) : (row == 0 ? rows - 1 : row - 1);
        line.resize(0);
        model.appendCaptureLine(row, line);
        if (line.contains(needle, cs))
            return row;
    }
    return -1;
}
