// SPDX-License-Identifier: GPL-3.0-or-later
#include "TouchPad.h"
#include "Twips.h"

#include <QSignalSpy>
#include <QTest>

class TestTouchPad : public QObject
{
    Q_OBJECT

    static void makePad(TouchPad& pad)
    {
        pad.setGeometry(twipsRect(120, 3840, 2595, 2175));
        pad.show();
    }

private slots:
    void innerAreaMapsToPadUnits()
    {
        TouchPad pad;
        makePad(pad);
        const QRect inner = pad.contentsRect();
        QCOMPARE(inner.size(), QSize(169, 141));
        const QPointF topLeft = pad.toPadUnits(inner.topLeft());
        QCOMPARE(topLeft.x(), 1.0);
        QCOMPARE(topLeft.y(), 1.0);
        const QPointF bottomRight =
            pad.toPadUnits(QPointF(inner.left() + inner.width(), inner.top() + inner.height()));
        QVERIFY(qAbs(bottomRight.x() - 21.28) < 1e-4);
        QVERIFY(qAbs(bottomRight.y() - 17.92) < 1e-4);
    }

    void movesWithoutAButtonAreReported()
    {
        TouchPad pad;
        makePad(pad);
        QSignalSpy moves(&pad, &TouchPad::MouseMove);
        QTest::mouseMove(&pad, pad.contentsRect().center());
        QTRY_VERIFY(moves.count() >= 1);
        const float x = moves.last().at(0).toFloat();
        QVERIFY(x > 10 && x < 12);
    }

    void clickInsideIsReported()
    {
        TouchPad pad;
        makePad(pad);
        QSignalSpy clicks(&pad, &TouchPad::Click);
        QTest::mouseClick(&pad, Qt::LeftButton, {}, QPoint(40, 40));
        QCOMPARE(clicks.count(), 1);
        QTest::mouseClick(&pad, Qt::RightButton, {}, QPoint(40, 40));
        QCOMPARE(clicks.count(), 1);
    }
};

QTEST_MAIN(TestTouchPad)
#include "tst_touchpad.moc"
