// SPDX-License-Identifier: GPL-3.0-or-later
#include "IntervalTimer.h"

#include <QSignalSpy>
#include <QTest>

class TestIntervalTimer : public QObject
{
    Q_OBJECT
private slots:
    void zeroIntervalNeverTicks()
    {
        IntervalTimer timer(true, 0);
        QSignalSpy ticks(&timer, &IntervalTimer::timeout);
        QVERIFY(timer.isEnabled());
        QVERIFY(!timer.isTicking());
        QTest::qWait(100);
        QCOMPARE(ticks.count(), 0);

        // It comes alive as soon as it is given an interval.
        timer.setInterval(10);
        QVERIFY(timer.isTicking());
        QVERIFY(ticks.wait(5000));
    }

    void enabledAndIntervalAreSeparate()
    {
        IntervalTimer timer(false, 1500);
        QCOMPARE(timer.interval(), 1500);
        QVERIFY(!timer.isTicking());

        timer.setInterval(0);
        timer.setEnabled(true);
        QVERIFY(timer.isEnabled());
        QCOMPARE(timer.interval(), 0);
        QVERIFY(!timer.isTicking());

        timer.setInterval(250);
        timer.setEnabled(false);
        QCOMPARE(timer.interval(), 250);
        QVERIFY(!timer.isTicking());
    }

    void settingTheIntervalRestartsTheCount()
    {
        IntervalTimer timer(true, 60000);
        QTest::qWait(300);
        const int before = timer.remainingTime();
        QVERIFY(before < 60000);
        timer.setInterval(60000);
        QVERIFY(timer.remainingTime() > before);
    }

    void enablingAnEnabledTimerKeepsItsCount()
    {
        IntervalTimer timer(true, 60000);
        QTest::qWait(300);
        const int before = timer.remainingTime();
        timer.setEnabled(true);
        QVERIFY(timer.remainingTime() <= before);

        timer.setEnabled(false);
        timer.setEnabled(true);
        QVERIFY(timer.remainingTime() > before);
    }

    void intervalsOutsideTheRangeAreHeld()
    {
        IntervalTimer timer;
        timer.setInterval(-5);
        QCOMPARE(timer.interval(), 0);
        timer.setInterval(qint64(1) << 40);
        QCOMPARE(timer.interval(), IntervalTimer::maxInterval);
    }

    void disablingInTheTickMakesItOneShot()
    {
        IntervalTimer timer(true, 0);
        int ticks = 0;
        connect(&timer, &IntervalTimer::timeout, &timer, [&] {
            timer.setEnabled(false);
            ++ticks;
        });
        timer.setInterval(20);
        QTRY_COMPARE_WITH_TIMEOUT(ticks, 1, 5000);
        QTest::qWait(200);
        QCOMPARE(ticks, 1);
    }
};

QTEST_GUILESS_MAIN(TestIntervalTimer)
#include "tst_intervaltimer.moc"
