// Getting lines out of a traffic list of a million lines: finding a text in their capture
// form (a full pass when nothing matches), Copy all (the capture text and the clipboard) and
// the memory the raw data of token and hex lines takes.
#include "CaptureLine.h"
#include "Tokens.h"
#include "BenchLines.h"
#include "TrafficLine.h"
#include "TrafficListModel.h"
#include "TrafficText.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kLines = 1'000'000;

// A received measurement of 19 bytes; every other line shown with tokens, every tenth as hex.
void fill(TrafficListModel &model)
{
    for (int i = 0; i < kLines; ++i) {
        const QString raw = bench::measurementFor(i, 19);
        const QString shown = i % 10 == 9 ? hexData(raw) : i % 2 ? CharsToTokens(raw) : raw;
        model.appendLine(formatTrafficLine(bench::stampFor(i), i % 2 ? kMarkerIn : kMarkerOut, shown), raw);
    }
}

double medianMs(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename F>
double timeMs(F &&work, int runs = 5)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    return medianMs(ms);
}

void row(const char *what, double value, const char *unit)
{
    std::printf("| %-56s | %12.3f %-6s |\n", what, value, unit);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    TrafficListModel model;
    QElapsedTimer timer;
    timer.start();
    fill(model);
    const double fillS = timer.nsecsElapsed() / 1e9;

    int found = 0;
    const double missMs = timeMs([&] {
        found = findTrafficLine(model, QStringLiteral("NOT THERE"), -1, FindDirection::Forward, Qt::CaseSensitive);
    });
    bool missOk = found == -1;
    const double missNoCaseMs = timeMs([&] {
        found = findTrafficLine(model, QStringLiteral("not there"), -1, FindDirection::Forward, Qt::CaseInsensitive);
    });
    missOk = missOk && found == -1;
    // The only line with this number is the last but one, 100k lines on.
    const double lateHitMs = timeMs([&] {
        found = findTrafficLine(model, QStringLiteral("099998 V<CR>"), kLines - 1 - 100000, FindDirection::Forward,
                                Qt::CaseSensitive);
    });
    const bool lateOk = found == kLines - 2;
    const double nextHitUs = timeMs([&] {
        found = findTrafficLine(model, QStringLiteral("<CR><LF>"), 500000, FindDirection::Forward, Qt::CaseSensitive);
    }) * 1000;
    const bool nextOk = found == 500001;

    QString text;
    const double copyAllMs = timeMs([&] { text = trafficCaptureText(model); });
    const double textMb = double(text.size()) / 1e6;
    const double clipboardMs = timeMs([&] { QGuiApplication::clipboard()->setText(text); }, 3);

    std::printf("Traffic list output, %d lines of 40 characters (half tokens, a tenth hex)\n\n", kLines);
    std::printf("| %-56s | %19s |\n", "measure", "value");
    std::printf("|%s|%s|\n", std::string(58, '-').c_str(), std::string(21, '-').c_str());
    row("filling the list (format, display, append with raw)", fillS, "s");
    row("find, no match, full pass, match case, median", missMs, "ms");
    row("find, no match, full pass, ignore case, median", missNoCaseMs, "ms");
    row("find, hit 100k lines on, median", lateHitMs, "ms");
    row("find, hit on the next line, median", nextHitUs, "us");
    row("find per line, full pass", missMs * 1e6 / kLines, "ns");
    row("Copy all: capture text of every line, median", copyAllMs, "ms");
    row("Copy all: capture text size", textMb, "M chars");
    row("Copy all: handing the text to the clipboard, median", clipboardMs, "ms");
    row("model's allocation per line (full chunks compressed)",
        double(model.allocatedBytes()) / kLines, "B");
    const bool ok = missOk && lateOk && nextOk && found >= 0;
    std::printf("\nfinds landed where expected: %s\n", ok ? "yes" : "NO");
    return ok ? 0 : 1;
}
