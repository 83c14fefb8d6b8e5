// The list's pixels follow its state at most once per frame: appends, selection and scrolling
// are seen at once, drawing comes with the next frame, and scroll bars are drawn only when
// their picture changes.
#include "EventCounter.h"
#include "FakeClock.h"
#include "FakeTimers.h"
#include "FramePacer.h"
#include "PacedScrollBar.h"
#include "PaintedLine.h"
#include "TrafficLineDelegate.h"
#include "TrafficListModel.h"
#include "TrafficListView.h"
#include "Twips.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <algorithm>

namespace {

// A shown list on fake timers: no frame is drawn until the test moves time on.
struct PacedList {
    FakeClock clock;
    FakeTimers timers{clock};
    TrafficListModel model;
    TrafficListView view;

    PacedList()
    {
        view.setModel(&model);
        view.resize(460, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        settle();
    }
    void appendAndFollow(int lines)
    {
        for (int i = 0; i < lines; ++i) {
            model.appendLine(QStringLiteral("12:00:00.000  [IN]   line %1").arg(model.count()));
            view.selectLastAndScroll();
        }
    }
    // Lets every frame due by now be drawn.
    void settle()
    {
        for (int i = 0; i < 20 && (view.framePending() || i == 0); ++i) {
            timers.advance(FramePacer::kDefaultPeriodMs * 4);
            QApplication::processEvents();
        }
    }
};

} // namespace

class TestTrafficFrames : public QObject {
    Q_OBJECT
private slots:
    void framesComeAtMostOncePerPeriod();
    void aFirstRequestAfterAQuietSpellRunsAtOnce();
    void aLongSpellOfFramesHalvesTheRate();
    void aLongerSpellQuartersTheRate();
    void aSteadyTrickleSharesFramesInALongSpell();
    void answersTenTimesASecondEachShowAtOnce_data();
    void answersTenTimesASecondEachShowAtOnce();
    void periodFollowsTheDisplay_data();
    void periodFollowsTheDisplay();
    void stateFollowsAppendsAtOncePixelsAtTheFrame();
    void aScrollBeforeTheFrameWinsOverTheFollow_data();
    void aScrollBeforeTheFrameWinsOverTheFollow();
    void aBurstOfAppendsIsDrawnInOneFrame();
    void scrollBarsAreNotDrawnWhileTheirPictureStays();
    void aSliderWaitingForItsCalmSpellCostsNoFrames();
    void aPartlyVisibleRowShowsWhatTheWholeRowShowsThere_data();
    void aPartlyVisibleRowShowsWhatTheWholeRowShowsThere();
};

void TestTrafficFrames::framesComeAtMostOncePerPeriod()
{
    FakeClock clock;
    FakeTimers timers(clock);
    int frames = 0;
    FramePacer pacer([&] { ++frames; }, 20);
    pacer.request();
    timers.advance(1);
    QCOMPARE(frames, 1);
    // Requests during the next period all end in one frame, one period after the first.
    for (int ms = 0; ms < 19; ++ms) {
        pacer.request();
        pacer.request();
        timers.advance(1);
    }
    QCOMPARE(frames, 1);
    QVERIFY(pacer.pending());
    timers.advance(1);
    QCOMPARE(frames, 2);
    QVERIFY(!pacer.pending());
    timers.advance(100);
    QCOMPARE(frames, 2); // nothing requested, nothing drawn
}

void TestTrafficFrames::aFirstRequestAfterAQuietSpellRunsAtOnce()
{
    FakeClock clock;
    FakeTimers timers(clock);
    QList<qint64> frameTimes;
    FramePacer pacer([&] { frameTimes.append(timers.nowMs()); }, 16);
    timers.advance(1000);
    pacer.request();
    timers.advance(1);
    timers.advance(500);
    pacer.request();
    timers.advance(1);
    QCOMPARE(frameTimes, (QList<qint64>{1001, 1502}));
}

namespace {

// A pacer on fake timers, asked for frames at a steady interval, its frames' times recorded.
struct RequestedFrames {
    explicit RequestedFrames(int periodMs) : pacer([this] { times.append(timers.nowMs()); }, periodMs)
    {
    }
    void requestEveryUntil(qint64 intervalMs, qint64 endMs)
    {
        while (timers.nowMs() < endMs) {
            pacer.request();
            timers.advance(intervalMs);
        }
    }
    // The gaps between frames that both fell within [fromMs, toMs].
    QList<qint64> gapsBetween(qint64 fromMs, qint64 toMs) const
    {
        QList<qint64> gaps;
        for (qsizetype i = 1; i < times.size(); ++i) {
            if (times[i - 1] >= fromMs && times[i] <= toMs)
                gaps.append(times[i] - times[i - 1]);
        }
        return gaps;
    }
    FakeClock clock;
    FakeTimers timers{clock};
    QList<qint64> times;
    FramePacer pacer;
};

bool allWithin(const QList<qint64> &gaps, qint64 least, qint64 below)
{
    return std::all_of(gaps.begin(), gaps.end(), [&](qint64 gap) { return gap >= least && gap < below; });
}

} // namespace

void TestTrafficFrames::aLongSpellOfFramesHalvesTheRate()
{
    RequestedFrames frames(33);
    frames.timers.advance(1000);
    frames.requestEveryUntil(10, 3900);
    QVERIFY(frames.times.first() <= 1001); // on the next pass of the event loop
    QVERIFY(allWithin(frames.gapsBetween(1000, 2000), 33, 50));
    const QList<qint64> sustained = frames.gapsBetween(2100, 3900);
    QVERIFY(sustained.size() >= 25);
    QVERIFY2(allWithin(sustained, 66, 80), qPrintable(QString::number(sustained.first())));
    QCOMPARE(frames.pacer.currentPeriodMs(), 66);

    // A moment without frames ends the spell: the next change shows at once, then at the rate.
    frames.timers.advance(frames.pacer.currentPeriodMs()); // the last request's frame
    QVERIFY(!frames.pacer.pending());
    frames.timers.advance(frames.pacer.spellGapMs() + 1);
    QCOMPARE(frames.pacer.currentPeriodMs(), 33);
    const qsizetype before = frames.times.size();
    const qint64 restart = frames.timers.nowMs();
    frames.requestEveryUntil(10, restart + 500);
    QVERIFY(frames.times.at(before) <= restart + 1);
    QVERIFY(allWithin(frames.gapsBetween(restart, restart + 500), 33, 50));
}

void TestTrafficFrames::aLongerSpellQuartersTheRate()
{
    RequestedFrames frames(16);
    frames.timers.advance(1000);
    frames.requestEveryUntil(5, 6000);
    const QList<qint64> longSpell = frames.gapsBetween(4100, 6000);
    QVERIFY(longSpell.size() >= 25);
    QVERIFY2(allWithin(longSpell, 64, 75), qPrintable(QString::number(longSpell.first())));
    QCOMPARE(frames.pacer.currentPeriodMs(), 64);
}

// Changes slower than the frame rate but within two periods of the last frame are a spell too:
// they share frames at the lowered rate, and each shows within one lowered period.
void TestTrafficFrames::aSteadyTrickleSharesFramesInALongSpell()
{
    RequestedFrames frames(16);
    frames.timers.advance(1000);
    QList<qint64> requested;
    while (frames.timers.nowMs() < 7000) {
        requested.append(frames.timers.nowMs());
        frames.pacer.request();
        frames.timers.advance(25);
    }
    const QList<qint64> late = frames.gapsBetween(4500, 7000);
    QVERIFY(late.size() >= 25);
    QVERIFY(allWithin(late, 64, 80));
    for (const qint64 at : requested) {
        const auto shown = std::lower_bound(frames.times.begin(), frames.times.end(), at);
        QVERIFY(shown != frames.times.end());
        QVERIFY2(*shown - at <= 64, qPrintable(QString::number(at)));
    }
}

// Answers a tenth of a second apart, for as long as they come, each show on the next pass of
// the event loop: however long they go on, they never become a spell that puts their frames off.
void TestTrafficFrames::answersTenTimesASecondEachShowAtOnce_data()
{
    QTest::addColumn<int>("periodMs");
    QTest::addColumn<int>("intervalMs");
    QTest::newRow("30 frames a second, 10 answers") << 33 << 100;
    QTest::newRow("60 frames a second, 20 answers") << 16 << 50;
    QTest::newRow("just over two periods apart") << 33 << 70;
}

void TestTrafficFrames::answersTenTimesASecondEachShowAtOnce()
{
    QFETCH(int, periodMs);
    QFETCH(int, intervalMs);
    RequestedFrames frames(periodMs);
    frames.timers.advance(1000);
    for (int answer = 0; answer < 8000 / intervalMs; ++answer) {
        const qint64 at = frames.timers.nowMs();
        frames.pacer.request();
        frames.timers.advance(intervalMs);
        QCOMPARE(frames.times.size(), answer + 1);
        QVERIFY2(frames.times.last() <= at + 1, qPrintable(QString::number(at)));
    }
    QCOMPARE(frames.pacer.currentPeriodMs(), periodMs);
}

void TestTrafficFrames::periodFollowsTheDisplay_data()
{
    QTest::addColumn<double>("refreshRate");
    QTest::addColumn<int>("periodMs");
    QTest::newRow("60 Hz") << 60.0 << 17;
    QTest::newRow("144 Hz") << 144.0 << 7;
    QTest::newRow("30 Hz") << 30.0 << 34;
    QTest::newRow("unknown") << 0.0 << FramePacer::kDefaultPeriodMs;
    QTest::newRow("not a number") << qQNaN() << FramePacer::kDefaultPeriodMs;
    QTest::newRow("absurd") << 1e9 << 1;
}

void TestTrafficFrames::periodFollowsTheDisplay()
{
    QFETCH(double, refreshRate);
    QFETCH(int, periodMs);
    QCOMPARE(FramePacer::periodForRefreshRate(refreshRate), periodMs);
}

void TestTrafficFrames::stateFollowsAppendsAtOncePixelsAtTheFrame()
{
    PacedList list;
    list.appendAndFollow(100);
    list.settle();
    EventCounter viewport(list.view.viewport(), QEvent::Paint);

    QScrollBar *bar = list.view.verticalScrollBar();
    const int shownValue = bar->value();
    list.appendAndFollow(1);
    // The row and the selection are already those of the new line ...
    QCOMPARE(list.model.count(), 101);
    QCOMPARE(list.view.currentIndex().row(), 100);
    QCOMPARE(list.view.selectionModel()->selectedRows(), QModelIndexList{list.model.index(100)});
    // ... but what is on screen, the scroll position with it, changes only at the frame.
    QApplication::processEvents();
    QCOMPARE(viewport.count, 0);
    QCOMPARE(bar->value(), shownValue);
    QVERIFY(list.view.framePending());
    list.settle();
    QCOMPARE(viewport.count, 1);
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(bar->value() > shownValue);
    QVERIFY(list.view.viewport()->rect().contains(list.view.visualRect(list.model.index(100))));
}

// Whoever scrolls between an append and its frame decides what is shown, as if the append had
// scrolled first; the next append follows the newest line again.
void TestTrafficFrames::aScrollBeforeTheFrameWinsOverTheFollow_data()
{
    QTest::addColumn<bool>("byScrollTo");
    QTest::newRow("scrollTo") << true;
    QTest::newRow("the bar") << false;
}

void TestTrafficFrames::aScrollBeforeTheFrameWinsOverTheFollow()
{
    QFETCH(bool, byScrollTo);
    PacedList list;
    list.appendAndFollow(100);
    list.settle();
    QScrollBar *bar = list.view.verticalScrollBar();
    list.appendAndFollow(50);
    if (byScrollTo) {
        // The range already covers the new rows for a scroll to one of them.
        list.view.scrollTo(list.model.index(130), QAbstractItemView::PositionAtTop);
        QCOMPARE(list.view.indexAt(QPoint(1, 1)).row(), 130);
    } else {
        bar->setValue(0);
    }
    const int chosen = bar->value();
    list.settle();
    QCOMPARE(bar->value(), chosen);
    QCOMPARE(list.view.currentIndex().row(), 149);
    list.appendAndFollow(1);
    list.settle();
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(list.view.viewport()->rect().contains(list.view.visualRect(list.model.index(150))));
}

void TestTrafficFrames::aBurstOfAppendsIsDrawnInOneFrame()
{
    PacedList list;
    list.appendAndFollow(100);
    list.settle();
    EventCounter viewport(list.view.viewport(), QEvent::Paint);
    // Lines arriving faster than frames: each is followed at once, all are drawn together.
    for (int i = 0; i < 30; ++i) {
        list.appendAndFollow(1);
        QApplication::processEvents();
    }
    QCOMPARE(list.view.currentIndex().row(), 129);
    list.settle();
    QCOMPARE(viewport.count, 1);
}

void TestTrafficFrames::scrollBarsAreNotDrawnWhileTheirPictureStays()
{
    PacedList list;
    // Long enough that the slider has its smallest size and sits at the bottom.
    list.appendAndFollow(20000);
    list.timers.advance(PacedScrollBar::kCalmRepaintMs);
    list.settle();
    EventCounter vertical(list.view.verticalScrollBar(), QEvent::Paint);
    EventCounter horizontal(list.view.horizontalScrollBar(), QEvent::Paint);
    for (int i = 0; i < 50; ++i) {
        list.appendAndFollow(1);
        list.settle();
    }
    // The scroll area itself may draw a bar once when the view first scrolls after a quiet
    // spell; drawn per line, it would be fifty times.
    QVERIFY2(vertical.count <= 1, qPrintable(QString::number(vertical.count)));
    QCOMPARE(horizontal.count, 0);

    // A bar the user moves is drawn at the next frame.
    list.view.verticalScrollBar()->setValue(0);
    list.timers.advance(1000);
    list.settle();
    QVERIFY(vertical.count >= 1);
}

void TestTrafficFrames::aSliderWaitingForItsCalmSpellCostsNoFrames()
{
    PacedList list;
    list.appendAndFollow(20);
    list.timers.advance(PacedScrollBar::kCalmRepaintMs);
    list.settle();
    EventCounter vertical(list.view.verticalScrollBar(), QEvent::Paint);
    // More lines: a shorter slider each time, changes that wait for the calm spell to end.
    // (The scroll area itself may draw the bar once when the view first scrolls.)
    for (int i = 0; i < 2; ++i) {
        list.appendAndFollow(5);
        list.timers.advance(FramePacer::kDefaultPeriodMs * 4);
        QApplication::processEvents();
        QVERIFY(!list.view.framePending());
    }
    const int paintsBefore = vertical.count;
    QVERIFY(paintsBefore <= 1);
    list.timers.advance(PacedScrollBar::kCalmRepaintMs);
    list.settle();
    QCOMPARE(vertical.count, paintsBefore + 1);
}

void TestTrafficFrames::aPartlyVisibleRowShowsWhatTheWholeRowShowsThere_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("fromCell");
    QTest::addColumn<int>("cells");
    const QString stamp = QStringLiteral("12:00:00.000  [IN]   ");
    QString mixed = stamp;
    for (int i = 0; i < 300; ++i)
        mixed += i % 7 == 0 ? QChar(char16_t(i % 32)) : QChar(char16_t(u'A' + i % 26));
    QTest::newRow("plain, start") << stamp + QString(3000, u'W') << 0 << 40;
    QTest::newRow("plain, far right") << stamp + QString(3000, u'W') << 2000 << 40;
    QTest::newRow("controls between") << mixed << 57 << 33;
    QTest::newRow("Windows-1252 letters") << stamp + QString(500, QChar(0x20AC)) << 101 << 20;
    QTest::newRow("a sliver") << mixed << 120 << 1;
}

void TestTrafficFrames::aPartlyVisibleRowShowsWhatTheWholeRowShowsThere()
{
    // Only the characters inside the visible part of a row are drawn; the pixels there must be
    // those of the whole row drawn at once.
    QFETCH(QString, line);
    QFETCH(int, fromCell);
    QFETCH(int, cells);
    const QImage whole = paintedLine(line, QRect());
    const int cell = QFontMetrics(terminalFont()).horizontalAdvance(QLatin1Char('M'));
    const QRect visible(fromCell * cell + 3, 0, cells * cell, whole.height());
    QVERIFY(whole.rect().contains(visible));
    const QImage part = paintedLine(line, visible);
    QCOMPARE(part.copy(visible), whole.copy(visible));
    // Something was drawn there, not just the background.
    QImage background(visible.size(), QImage::Format_RGB32);
    background.fill(Qt::white);
    QVERIFY(part.copy(visible) != background);
}

QTEST_MAIN(TestTrafficFrames)
#include "tst_trafficframes.moc"
