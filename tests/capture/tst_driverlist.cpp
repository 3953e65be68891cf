// SPDX-License-Identifier: GPL-3.0-or-later
#include "DriverList.h"
#include "FakeCaptureDevice.h"
#include "FakeMessageBoxes.h"
#include "Texts.h"

#include <QComboBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

class TestDriverList : public QObject
{
    Q_OBJECT
private slots:
    void threeDriversSelectTheComponentsIndex()
    {
        FakeCaptureDevice capture(
            {QStringLiteral("Cam A"), QStringLiteral("Cam B"), QStringLiteral("Cam C")});
        FakeMessageBoxes messages;
        QComboBox combo;
        DriverList list(combo, capture, messages, nullptr);
        QSignalSpy status(&list, &DriverList::status);
        list.FillDriverList();

        QCOMPARE(combo.count(), 3);
        QCOMPARE(combo.itemText(0), QStringLiteral("Cam A"));
        QCOMPARE(combo.itemText(2), QStringLiteral("Cam C"));
        QCOMPARE(combo.currentIndex(), 1);
        QCOMPARE(capture.connectAttempts, QList<int>{1});
        QCOMPARE(status.count(), 1);
        QCOMPARE(status.last().at(0).toString(), QString(texts::deviceSelected));
        QVERIFY(messages.texts.isEmpty());
    }

    void noDriverGivesThePlaceholderAndOneMessage()
    {
        FakeCaptureDevice capture(QStringList{});
        FakeMessageBoxes messages;
        QComboBox combo;
        DriverList list(combo, capture, messages, nullptr);
        list.FillDriverList();

        QCOMPARE(combo.count(), 1);
        QCOMPARE(combo.itemText(0), QString(texts::noVideo));
        QCOMPARE(combo.currentIndex(), 0);
        QCOMPARE(messages.texts, QStringList{QString(texts::noVideoDevice)});
        QCOMPARE(messages.titles, QStringList{QString(texts::appTitle)});
    }

    void failedConnectRestoresThePreviousDriver()
    {
        FakeCaptureDevice capture(
            {QStringLiteral("Cam A"), QStringLiteral("Cam B"), QStringLiteral("Cam C")});
        capture.failing.insert(2);
        FakeMessageBoxes messages;
        QComboBox combo;
        DriverList list(combo, capture, messages, nullptr);
        list.FillDriverList();
        QSignalSpy status(&list, &DriverList::status);

        combo.setCurrentIndex(2);
        QCOMPARE(capture.index, 1);
        QCOMPARE(combo.currentIndex(), 1);
        // The nested selection of the previous entry reports success first;
        // the failure is the text that stays.
        QCOMPARE(status.count(), 2);
        QCOMPARE(status.at(0).at(0).toString(), QString(texts::deviceSelected));
        QCOMPARE(status.at(1).at(0).toString(), QString(texts::couldNotConnect));
    }

    void startIndexNamingNoEntryLeavesNoSelection()
    {
        FakeCaptureDevice capture({QStringLiteral("Only camera")}, 3);
        FakeMessageBoxes messages;
        QComboBox combo;
        DriverList list(combo, capture, messages, nullptr);
        QSignalSpy status(&list, &DriverList::status);
        list.FillDriverList();

        QCOMPARE(combo.count(), 1);
        QCOMPARE(combo.currentIndex(), -1);
        QVERIFY(capture.connectAttempts.isEmpty());
        QCOMPARE(status.count(), 0);
    }

    // After the choice: a driver that fails while starting, one that stalls
    // or breaks, and its camera plugged back in.
    void driverTroubleAfterTheChoice()
    {
        FakeCaptureDevice capture({QStringLiteral("Cam A"), QStringLiteral("Cam B")}, 0);
        FakeMessageBoxes messages;
        QComboBox combo;
        DriverList list(combo, capture, messages, nullptr);
        list.FillDriverList();
        combo.setCurrentIndex(1);
        QSignalSpy status(&list, &DriverList::status);
        const auto last = [&status] { return status.last().at(0).toString(); };

        emit capture.startFailed(QStringLiteral("Camera is in use"));
        QCOMPARE(capture.index, 0);
        QCOMPARE(combo.currentIndex(), 0);
        QCOMPARE(last(), QString(texts::couldNotConnect));

        capture.watch.setLimit(std::chrono::milliseconds(300));
        capture.deliver(QImage(8, 8, QImage::Format_RGB888));
        QTRY_VERIFY_WITH_TIMEOUT(last().startsWith(QLatin1String("No picture from")), 10000);
        QVERIFY2(QRegularExpression(QStringLiteral("^No picture from the camera since "
                                                   "\\d\\d:\\d\\d:\\d\\d$"))
                     .match(last())
                     .hasMatch(),
                 qPrintable(last()));
        capture.connectAttempts.clear();
        emit capture.devicesChanged();
        QCOMPARE(capture.connectAttempts, QList<int>{0});
        QCOMPARE(last(), QString(texts::cameraReconnected));
        // A camera plugged in while all is well changes nothing.
        emit capture.devicesChanged();
        QCOMPARE(capture.connectAttempts, QList<int>{0});

        emit capture.failed(QStringLiteral("Camera error"));
        QCOMPARE(last(), QStringLiteral("Camera error"));
        capture.failing.insert(0);
        const qsizetype told = status.count();
        emit capture.devicesChanged();
        QCOMPARE(status.count(), told);
        capture.failing.clear();
        emit capture.devicesChanged();
        QCOMPARE(last(), QString(texts::cameraReconnected));
        QCOMPARE(capture.index, 0);
    }
};

QTEST_MAIN(TestDriverList)
#include "tst_driverlist.moc"
