// Traffic list at session length: appending a million 40-character lines, the memory they
// take beyond their text, and selecting/scrolling to the last of them in a shown view.
#include "BenchLines.h"
#include "TrafficLine.h"
#include "TrafficLineDelegate.h"
#include "TrafficListModel.h"
#include "TrafficListView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kLines = 1'000'000;
constexpr int kLineChars = 40;

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * 4096 : -1;
}

// A received line as the terminal builds it: stamp, marker and 19 characters of data.
QString dataFor(int i)
{
    return bench::measurementFor(i, kLineChars - 21);
}

void row(const char *what, double value, const char *unit)
{
    std::printf("| %-56s | %12.3f %-6s |\n", what, value, unit);
}

double medianOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Figures {
    double formatS = 0;
    double appendS = 0;
    double rssPerLine = 0;
    double ownPerLine = 0;
    double textPerLine = 0;
};

// The million lines into a model of their own, for time and memory.
Figures appendMillion(TrafficListModel &model)
{
    std::vector<QString> data(1000);
    for (int i = 0; i < int(data.size()); ++i)
        data[size_t(i)] = dataFor(i);

    Figures f;
    const qint64 rssBefore = residentBytes();
    QElapsedTimer timer;
    qint64 formatNs = 0;
    qint64 appendNs = 0;
    for (int i = 0; i < kLines; ++i) {
        timer.start();
        const QString line = formatTrafficLine(bench::stampFor(i), i % 2 ? kMarkerIn : kMarkerOut,
                                               data[size_t(i) % data.size()]);
        formatNs += timer.nsecsElapsed();
        timer.start();
        model.appendLine(line);
        appendNs += timer.nsecsElapsed();
    }
    const qint64 rssAfter = residentBytes();
    f.formatS = formatNs / 1e9;
    f.appendS = appendNs / 1e9;
    f.rssPerLine = double(rssAfter - rssBefore) / kLines;
    f.ownPerLine = double(model.allocatedBytes()) / kLines;
    f.textPerLine = double(model.storedTextBytes()) / kLines;
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    TrafficListModel model;
    const Figures f = appendMillion(model);

    // A shown view over the full model: the first selection, then the steady state of a
    // running session (one new line, select it, scroll, paint).
    TrafficListView view;
    view.resize(460, 412);
    view.setModel(&model);
    view.show();
    app.processEvents();

    QElapsedTimer timer;
    timer.start();
    view.selectLastAndScroll();
    const double firstScrollMs = timer.nsecsElapsed() / 1e6;
    app.processEvents();

    std::vector<double> selectMs;
    std::vector<double> cycleMs;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer cycle;
        cycle.start();
        model.appendLine(formatTrafficLine(bench::stampFor(kLines + i), kMarkerIn, dataFor(i)));
        timer.start();
        view.selectLastAndScroll();
        selectMs.push_back(timer.nsecsElapsed() / 1e6);
        view.viewport()->repaint();
        app.processEvents();
        cycleMs.push_back(cycle.nsecsElapsed() / 1e6);
    }
    const bool lastSelected = view.currentIndex().row() == model.count() - 1;

    // Paging up through the list as a user would, each page painted.
    std::vector<double> pageMs;
    for (int i = 0; i < 200; ++i) {
        timer.start();
        view.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
        view.viewport()->repaint();
        pageMs.push_back(timer.nsecsElapsed() / 1e6);
    }
    timer.start();
    view.scrollToTop();
    view.viewport()->repaint();
    const double toTopMs = timer.nsecsElapsed() / 1e6;

    // A burst of lines through the shown view, events handled every 100 lines.
    const int burst = 100000;
    timer.start();
    for (int i = 0; i < burst; ++i) {
        model.appendLine(formatTrafficLine(bench::stampFor(i), kMarkerIn, dataFor(i)));
        view.selectLastAndScroll();
        if (i % 100 == 99)
            app.processEvents();
    }
    const double burstNsPerLine = double(timer.nsecsElapsed()) / burst;

    std::printf("Traffic list, %d lines of %d characters\n\n", kLines, kLineChars);
    std::printf("| %-56s | %19s |\n", "measure", "value");
    std::printf("|%s|%s|\n", std::string(58, '-').c_str(), std::string(21, '-').c_str());
    row("1M lines: formatTrafficLine + appendLine, total", f.formatS + f.appendS, "s");
    row("  of that formatTrafficLine", f.formatS, "s");
    row("  of that appendLine", f.appendS, "s");
    row("time per line (format + append)", (f.formatS + f.appendS) * 1e9 / kLines, "ns");
    row("time per appendLine", f.appendS * 1e9 / kLines, "ns");
    row("RSS growth per line", f.rssPerLine, "B");
    row("model's allocation per line (full chunks compressed)", f.ownPerLine, "B");
    row("model's stored text per line", f.textPerLine, "B");
    row("selectLastAndScroll at 1M rows, first", firstScrollMs, "ms");
    row("selectLastAndScroll after one append, median", medianOf(selectMs), "ms");
    row("selectLastAndScroll after one append, max",
        *std::max_element(selectMs.begin(), selectMs.end()), "ms");
    row("append + select + scroll + paint, median", medianOf(cycleMs), "ms");
    row("append + select + scroll + paint, max", *std::max_element(cycleMs.begin(), cycleMs.end()),
        "ms");
    row("page up + paint at 1M rows, median", medianOf(pageMs), "ms");
    row("page up + paint at 1M rows, max", *std::max_element(pageMs.begin(), pageMs.end()), "ms");
    row("jump to the top + paint", toTopMs, "ms");
    row("100k more lines through the shown view, per line", burstNsPerLine / 1000, "us");
    std::printf("\nlast row selected after each append: %s\n", lastSelected ? "yes" : "NO");
    return lastSelected ? 0 : 1;
}
