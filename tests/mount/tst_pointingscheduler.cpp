// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeSerialPort.h"
#include "IntervalTimer.h"
#include "MemorySettingsStore.h"
#include "MountLink.h"
#include "PointingControls.h"
#include "PointingScheduler.h"
#include "PresetRecordSet.h"
#include "SqlitePresetFile.h"
#include "SqlitePresetStorage.h"

#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

struct FakeControls final : PointingControls
{
    bool randomChosen() const override { return random; }
    bool sequenceChosen() const override { return sequence; }
    bool trainingChosen() const override { return training; }
    void endSequence() override
    {
        sequence = false;
        ++sequenceEnded;
    }
    void setPadEnabled(bool enabled) override { pad = enabled; }
    void setDeleteEnabled(bool enabled) override { deleteButton = enabled; }
    void showPosition(qint16 pan, qint16 tilt) override
    {
        panLabel = QString::number(pan);
        tiltLabel = QString::number(tilt);
    }
    QString panText() const override { return panLabel; }
    QString tiltText() const override { return tiltLabel; }
    QString defaultDelayText() const override { return QStringLiteral("3"); }
    void beep() override {}
    void showStatus(const QString& text) override { statuses.append(text); }

    bool random = false;
    bool sequence = false;
    bool training = false;
    bool pad = false;
    bool deleteButton = true;
    int sequenceEnded = 0;
    QString panLabel;
    QString tiltLabel;
    QStringList statuses;
};

// The scheduler with its timers, a mount on a fake port and a preset file.
struct Rig
{
    explicit Rig(const QString& path)
    {
        mount.SelectPort(1);
        presets.setDatabaseName(path);
        presets.open();
    }

    // Mount moves sent since the last call, as "pan/tilt".
    QStringList moves()
    {
        static const QRegularExpression command(QStringLiteral("^A(-?\\d+)\\rB(-?\\d+)\\r$"));
        QStringList result;
        for (qsizetype i = 0; i + 1 < port.written.size(); i += 2) {
            const auto match = command.match(port.written[i] + port.written[i + 1]);
            result.append(match.hasMatch()
                              ? match.captured(1) + QLatin1Char('/') + match.captured(2)
                              : QStringLiteral("garbled"));
        }
        port.written.clear();
        return result;
    }

    FakeControls controls;
    FakeSerialPort port;
    MemorySettingsStore settings;
    MountLink mount{port, settings};
    PresetRecordSet presets{sqlitePresetFile()};
    IntervalTimer timer1{false, 1500};
    IntervalTimer snapshot{true, 0};
    PointingScheduler scheduler{controls, mount, presets, timer1, snapshot};
};

} // namespace

class TestPointingScheduler : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    // A preset file with these rows (pan, tilt, delay), written without
    // the record set's checks so that bad values can be stored too.
    QString table(const QList<QVariantList>& rows)
    {
        const QString path = m_dir.filePath(QStringLiteral("p%1.mdb").arg(++m_files));
        SqlitePresetStorage storage;
        QString reason;
        if (!storage.open(path, &reason))
            qFatal("%s", qPrintable(reason));
        for (const QVariantList& row : rows) {
            qint64 key = 0;
            storage.append(row, &key, &reason);
        }
        return path;
    }

private slots:
    void modeSwitches()
    {
        Rig rig(table({{1, 1, 3}}));
        rig.scheduler.chooseRandom();
        QVERIFY(!rig.controls.pad);
        QVERIFY(rig.timer1.isTicking());
        QCOMPARE(rig.timer1.interval(), 1500);
        QVERIFY(rig.controls.deleteButton);

        rig.scheduler.chooseManual();
        QVERIFY(rig.controls.pad);
        QVERIFY(!rig.timer1.isEnabled());

        rig.scheduler.chooseSequence();
        QVERIFY(!rig.controls.pad);
        QVERIFY(!rig.controls.deleteButton);
        QVERIFY(rig.timer1.isTicking());
        QCOMPARE(rig.timer1.interval(), 1500);
        QCOMPARE(rig.presets.currentRow(), 0);

        rig.scheduler.chooseTraining();
        QVERIFY(rig.controls.pad);
        QVERIFY(rig.controls.deleteButton);
        QVERIFY(!rig.timer1.isEnabled());
        // No switch touches the snapshot timer.
        QVERIFY(rig.snapshot.isEnabled());
    }

    void sequenceOnAnEmptyTableEndsAtTheNextTick()
    {
        Rig rig(table({}));
        rig.scheduler.chooseRandom();
        rig.controls.random = false;
        rig.controls.sequence = true;
        rig.scheduler.chooseSequence();
        // The random mode's states stay...
        QVERIFY(rig.timer1.isTicking());
        QVERIFY(!rig.controls.pad);
        QVERIFY(rig.controls.deleteButton);
        // ...until the tick finds nothing to visit.
        rig.scheduler.tick();
        QCOMPARE(rig.controls.sequenceEnded, 1);
        QVERIFY(!rig.timer1.isEnabled());
        QVERIFY(rig.moves().isEmpty());
    }

    void walkVisitsEveryPresetWithItsDwell()
    {
        Rig rig(table({{10, 11, 3}, {20, 21, 2.5}, {30, 31, 1}}));
        rig.controls.sequence = true;
        rig.scheduler.chooseSequence();
        QStringList dwells;
        for (int i = 0; i < 4; ++i) {
            rig.scheduler.tick();
            dwells.append(
                QStringLiteral("%1/%2").arg(rig.timer1.interval()).arg(rig.snapshot.interval()));
            QVERIFY(rig.snapshot.isTicking());
        }
        QCOMPARE(rig.moves(), (QStringList{"20/21", "30/31", "10/11", "20/21"}));
        QCOMPARE(dwells, (QStringList{"2500/1250", "1000/500", "3000/1500", "2500/1250"}));
        QCOMPARE(rig.controls.panLabel, QStringLiteral("20"));
        QCOMPARE(rig.presets.currentRow(), 1);

        Rig single(table({{7.9, -0.5, 2}}));
        single.controls.sequence = true;
        single.scheduler.chooseSequence();
        for (int i = 0; i < 3; ++i) {
            single.snapshot.setEnabled(false); // as the snapshot's own tick does
            single.scheduler.tick();
            QVERIFY(single.snapshot.isTicking());
        }
        QCOMPARE(single.moves(), (QStringList{"7/-1", "7/-1", "7/-1"}));
    }

    void dwellAndSnapshot_data()
    {
        QTest::addColumn<double>("delay");
        QTest::addColumn<int>("dwell");
        QTest::addColumn<int>("snapshot");
        QTest::newRow("3") << 3.0 << 3000 << 1500;
        QTest::newRow("2.5") << 2.5 << 2500 << 1250;
        QTest::newRow("1") << 1.0 << 1000 << 500;
        QTest::newRow("0.5") << 0.5 << 1000 << 250;
        QTest::newRow("0") << 0.0 << 1000 << 0;
        QTest::newRow("negative") << -4.0 << 1000 << 0;
        // Halves go to the even neighbour (these delays are exact in binary).
        QTest::newRow("62.5 ms") << 0.125 << 1000 << 62;
        QTest::newRow("1062.5 ms") << 1.0625 << 1062 << 531;
        QTest::newRow("1187.5 ms") << 1.1875 << 1188 << 594;
        QTest::newRow("past the timer")
            << 1e12 << IntervalTimer::maxInterval << IntervalTimer::maxInterval;
    }

    void dwellAndSnapshot()
    {
        QFETCH(double, delay);
        QFETCH(int, dwell);
        QFETCH(int, snapshot);
        Rig rig(table({{1, 2, delay}}));
        rig.controls.sequence = true;
        rig.scheduler.chooseSequence();
        rig.scheduler.tick();
        QCOMPARE(rig.timer1.interval(), dwell);
        QCOMPARE(rig.snapshot.interval(), snapshot);
        QCOMPARE(rig.snapshot.isTicking(), snapshot > 0);
    }

    void presetsAreReadAfreshAndBadOnesPassedOver()
    {
        Rig rig(table({{1, 1, 2},
                       {2, QVariant(), 2},
                       {3, 3, QStringLiteral("soon")},
                       {40000, 4, 2},
                       {5, 5, 2}}));
        rig.controls.sequence = true;
        rig.scheduler.chooseSequence();
        for (int i = 0; i < 3; ++i) {
            rig.scheduler.tick();
            QCOMPARE(rig.timer1.interval(), 1000);
            QVERIFY(!rig.snapshot.isTicking());
        }
        QVERIFY(rig.moves().isEmpty());
        QCOMPARE(rig.controls.statuses,
                 (QStringList{"Preset 2 not sent: Tilt is empty",
                              "Preset 3 not sent: Delay is not a number: \"soon\"",
                              "Preset 4 not sent: Pan is outside -32768 to 32767: \"40000\""}));

        // An edit between visits is used at the next one.
        QVERIFY(rig.presets.updateRecord(0, {{0, QStringLiteral("77")}}));
        rig.scheduler.tick();
        rig.scheduler.tick();
        QCOMPARE(rig.moves(), (QStringList{"5/5", "77/1"}));
    }

    void emptiedTableEndsTheSequence()
    {
        Rig rig(table({{1, 1, 2}, {2, 2, 2}}));
        rig.controls.sequence = true;
        rig.scheduler.chooseSequence();
        rig.scheduler.tick();
        rig.moves();
        rig.presets.removeRecords({0, 1});
        rig.scheduler.tick();
        QCOMPARE(rig.controls.sequenceEnded, 1);
        QVERIFY(!rig.timer1.isEnabled());
        QVERIFY(!rig.controls.pad);
        QVERIFY(!rig.controls.deleteButton);
        QVERIFY(rig.moves().isEmpty());
    }

    void randomPointingCoversOneTo120()
    {
        Rig rig(table({}));
        rig.controls.random = true;
        rig.scheduler.chooseRandom();
        QSet<int> pans;
        QSet<int> tilts;
        for (int i = 0; i < 5000; ++i) {
            rig.scheduler.tick();
            const QStringList values = rig.moves().value(0).split(QLatin1Char('/'));
            pans.insert(values.value(0).toInt());
            tilts.insert(values.value(1).toInt());
        }
        for (const QSet<int>& drawn : {pans, tilts}) {
            QCOMPARE(drawn.size(), 120);
            QVERIFY(drawn.contains(1) && drawn.contains(120));
            QVERIFY(!drawn.contains(0) && !drawn.contains(121));
        }
        QCOMPARE(rig.timer1.interval(), 1500);
        QVERIFY(!rig.snapshot.isTicking());
    }
};

QTEST_GUILESS_MAIN(TestPointingScheduler)
#include "tst_pointingscheduler.moc"
