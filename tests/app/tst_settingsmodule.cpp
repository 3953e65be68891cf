// SPDX-License-Identifier: GPL-3.0-or-later
#include "IniSettingsStore.h"
#include "MemorySettingsStore.h"
#include "SettingsKeys.h"
#include "SettingsValues.h"
#include "mdlKivrawebcam.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace settingsvalues;

class TestSettingsModule : public QObject
{
    Q_OBJECT

    static void store(MemorySettingsStore& s, const char* key, const char* value)
    {
        s.set(keys::settingsSection, QLatin1String(key), QLatin1String(value));
    }

private slots:
    void booleansReadBack()
    {
        QCOMPARE(toBool(QStringLiteral("True")), std::optional<bool>(true));
        QCOMPARE(toBool(QStringLiteral("False")), std::optional<bool>(false));
        QCOMPARE(toBool(QStringLiteral("-1")), std::optional<bool>(true));
        QCOMPARE(toBool(QStringLiteral("7")), std::optional<bool>(true));
        QCOMPARE(toBool(QStringLiteral("0")), std::optional<bool>(false));
        QCOMPARE(toBool(QStringLiteral("yes please")), std::nullopt);
        QCOMPARE(toBool(QString()), std::nullopt);
        QCOMPARE(toBool(QStringLiteral("nan")), std::nullopt);
    }

    void numbersReadBackWithinTheirRange()
    {
        QCOMPARE(toInt(QStringLiteral("1500"), 0, 100000), std::optional<qint64>(1500));
        QCOMPARE(toInt(QStringLiteral("2.5"), 0, 10), std::optional<qint64>(2));
        QCOMPARE(toInt(QStringLiteral("3.5"), 0, 10), std::optional<qint64>(4));
        QCOMPARE(toInt(QStringLiteral("40000"), -32768, 32767), std::nullopt);
        QCOMPARE(toInt(QStringLiteral("1e400"), 0, 10), std::nullopt);
        QCOMPARE(toInt(QStringLiteral("thirty"), 0, 10), std::nullopt);
    }

    void emptyStoreGivesTheFirstRunState()
    {
        MemorySettingsStore s;
        QCOMPARE(mdlKivrawebcam(s).readStation(), StationSettings{});
    }

    void garbageFallsBackToEachKeysDefault()
    {
        MemorySettingsStore s;
        for (const char* key : {"Com1", "Com2", "Com3", "Com4", "Manual", "Random", "Sequence",
                                "Train", "Picture", "Timer1", "Delete", "CaptureFrame"})
            store(s, key, "\x01garbage");
        store(s, "Accel", "7");
        store(s, "Interval", "-20");
        QCOMPARE(mdlKivrawebcam(s).readStation(), StationSettings{});

        store(s, "Accel", "0");
        store(s, "Interval", "99999999999");
        QCOMPARE(mdlKivrawebcam(s).readStation(), StationSettings{});
    }

    void storedValuesReadBack()
    {
        MemorySettingsStore s;
        store(s, "Com2", "True");
        store(s, "Accel", "3");
        store(s, "Random", "-1");
        store(s, "Interval", "1500");
        store(s, "Timer1", "True");
        const StationSettings read = mdlKivrawebcam(s).readStation();
        QCOMPARE(read.com, (std::array<bool, 4>{false, true, false, false}));
        QCOMPARE(read.accel, qint16(3));
        QVERIFY(read.random);
        QCOMPARE(read.interval, 1500);
        QVERIFY(read.timer1);
    }

    void writesTheKeysInTheirOrder()
    {
        MemorySettingsStore s;
        StationSettings state;
        state.com[0] = true;
        state.accel = 1;
        state.random = true;
        state.interval = 1500;
        state.timer1 = true;
        state.deleteEnabled = true;
        QVERIFY(mdlKivrawebcam(s).writeStation(state));
        QCOMPARE(
            s.writes,
            QStringList({"Settings/Com1=True", "Settings/Com2=False", "Settings/Com3=False",
                         "Settings/Com4=False", "Settings/Accel=1", "Settings/Manual=False",
                         "Settings/Random=True", "Settings/Sequence=False", "Settings/Train=False",
                         "Settings/Picture=False", "Settings/Interval=1500", "Settings/Timer1=True",
                         "Settings/Delete=True", "Settings/CaptureFrame=False"}));
        QCOMPARE(s.flushes, 1);
    }

    void iniFileRoundTripsAndIsPrivate()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("KivraWebcam/KivraWebcam.conf"));
        StationSettings state;
        state.com[3] = true;
        state.train = true;
        state.picture = true;
        {
            IniSettingsStore ini(path);
            ini.write(keys::settingsSection, keys::filePassword, QStringLiteral("se,cret; \"x\""));
            QVERIFY(mdlKivrawebcam(ini).writeStation(state));
        }
        QCOMPARE(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner);
        IniSettingsStore again(path);
        QCOMPARE(mdlKivrawebcam(again).readStation(), state);
        QCOMPARE(again.read(keys::settingsSection, keys::filePassword),
                 QStringLiteral("se,cret; \"x\""));
    }

    void unreadableFileGivesDefaults()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("KivraWebcam.conf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\x00\xff[[[Settings\nCom1=\x01\x02\n", 22));
        file.close();
        IniSettingsStore ini(path);
        QCOMPARE(mdlKivrawebcam(ini).readStation(), StationSettings{});
    }
};

QTEST_GUILESS_MAIN(TestSettingsModule)
#include "tst_settingsmodule.moc"
