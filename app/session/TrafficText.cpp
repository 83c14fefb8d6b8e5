#include "TrafficText.h"

#include "TrafficListModel.h"

QString trafficCaptureText(const TrafficListModel &model)
{
    const int rows = int(model.count());
    QString text;
    // Most lines are a little longer in the capture form; one growth step at worst.
    text.reserve(model.storedTextBytes() + rows + qsizetype(rows) * 8);
    model.visitCaptureLines(0, rows - 1, [&text](int row, QStringView line) {
        if (row > 0)
            text.append(u'\n');
        text.append(line);
        return true;
    });
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
        from = forward ? rows - 1 : 0; // so that the search starts at the first (last) line
    int found = -1;
    const auto look = [&](int row, QStringView line) {
        if (!line.contains(needle, cs))
            return true;
        found = row;
        return false;
    };
    // Beyond `from` to the end, then from the other end round to `from` itself.
    if (forward) {
        if (from + 1 < rows)
            model.visitCaptureLines(from + 1, rows - 1, look);
        if (found < 0)
            model.visitCaptureLines(0, from, look);
    } else {
        if (from > 0)
            model.visitCaptureLines(from - 1, 0, look);
        if (found < 0)
            model.visitCaptureLines(rows - 1, from, look);
    }
    return found;
}
