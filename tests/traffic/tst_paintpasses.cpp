// What one pass of the event loop changes on screen is drawn in one repaint: a second one costs
// another round trip to the display, paid again for every answer a device sends.
#include "EventCounter.h"
#include "Timer.h"

#include <QApplication>
#include <QTest>
#include <QTimer>


class TestPaintPasses : public QObject {
    Q_OBJECT
private slots:
    void aZeroTimerRunsBeforeTheRepaintItsPassAskedFor()
    {
        QWidget window;
        window.resize(200, 100);
        QWidget first(&window);
        QWidget second(&window);
        first.setGeometry(0, 0, 200, 50);
        second.setGeometry(0, 50, 200, 50);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(50); // the first pictures are drawn
        EventCounter repaints(&window, QEvent::UpdateRequest);
        EventCounter secondPaints(&second, QEvent::Paint);

        const std::unique_ptr<platform::Timer> soon = platform::makeTimer(platform::TimerKind::SingleShot);
        soon->timeout = [&] { second.update(); };
        // As at the end of a received chunk: a timer's handler changes one widget and asks for
        // the next pass, which changes another.
        bool handled = false;
        QTimer::singleShot(1, &window, [&] {
            first.update();
            soon->start(0);
            handled = soon->isActive();
        });
        QTRY_VERIFY(handled);
        QTRY_COMPARE(secondPaints.count, 1);
        QTest::qWait(50);
        QCOMPARE(repaints.count, 1);
        QCOMPARE(secondPaints.count, 1);
    }

    void aZeroTimerStoppedOrRestartedDoesNotRunEarly()
    {
        const std::unique_ptr<platform::Timer> soon = platform::makeTimer(platform::TimerKind::SingleShot);
        int runs = 0;
        soon->timeout = [&] { ++runs; };
        soon->start(0);
        soon->stop();
        QVERIFY(!soon->isActive());
        QTest::qWait(20);
        QCOMPARE(runs, 0);

        soon->start(0);
        soon->start(0); // asked twice in one pass: runs once
        QTRY_COMPARE(runs, 1);
        QTest::qWait(20);
        QCOMPARE(runs, 1);

        soon->start(0);
        soon->start(60); // put off: the posted run is outdated
        QTest::qWait(20);
        QCOMPARE(runs, 1);
        QVERIFY(soon->isActive());
        QTRY_COMPARE(runs, 2);
    }
};

QTEST_MAIN(TestPaintPasses)
#include "tst_paintpasses.moc"
