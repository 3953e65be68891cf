// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeFileTransfer.h"
#include "IniSettingsStore.h"
#include "IntervalTimer.h"
#include "KivraWebcam.h"
#include "PresetRecordSet.h"
#include "SqlitePresetFile.h"
#include "StationRig.h"
#include "Texts.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <sys/stat.h>

namespace {

struct Logged
{
    QtMsgType type;
    QString category;
    QString text;
};

// What the station logs while the test looks.
QList<Logged>* seen = nullptr;

void keep(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (seen)
        seen->append({type, QString::fromLatin1(context.category), text});
}

class LogWatch
{
public:
    LogWatch()
    {
        seen = &m_seen;
        m_previous = qInstallMessageHandler(keep);
    }
    ~LogWatch()
    {
        qInstallMessageHandler(m_previous);
        seen = nullptr;
    }
    QString categoryOf(const QString& text) const
    {
        for (const Logged& line : m_seen)
            if (line.text == text)
                return line.category;
        return QStringLiteral("<not logged>");
    }
    const QList<Logged>& lines() const { return m_seen; }

private:
    QList<Logged> m_seen;
    QtMessageHandler m_previous;
};

bool put(const QString& path, const QByteArray& bytes, mode_t mode)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.setPermissions({}) &&
           ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

mode_t modeOf(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// The main window over a real settings file and preset file, its stored
// settings applied at once.
struct Station
{
    explicit Station(const QString& folder)
        : settings(folder + QStringLiteral("/KivraWebcam.conf"))
        , rig({.settings = &settings, .programFolder = folder})
    {
        rig.start();
    }
    QString status() { return rig.status(); }

    IniSettingsStore settings;
    StationRig rig;
    FakeFileTransfer& transfer = rig.transfer;
    KivraWebcam& window = rig.window();
};

} // namespace

// What the status line says goes to the log as it is shown, under the part
// that said it; and a settings file that gives the FTP password away is
// named at each start until it is private.
class TestStatusLog : public QObject
{
    Q_OBJECT
private slots:
    void statusTextsAreLoggedAsShownUnderTheirPart()
    {
        QTemporaryDir folder;
        QVERIFY(put(folder.filePath(QStringLiteral("KivraWebcam.conf")),
                    "[Settings]\nFileHost=h\nFileLogin=cam\nFilePassword=p\n", 0600));
        {
            PresetRecordSet presets{sqlitePresetFile()};
            presets.setDatabaseName(folder.filePath(QStringLiteral("Pivora.mdb")));
            presets.open();
            presets.AddNew();
            presets.setField(0, 10);
            presets.setField(1, 5);
            presets.setField(2, 3);
            presets.Update();
        }
        {
            // Edited by hand beyond the mount's range.
            auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("edit"));
            db.setDatabaseName(folder.filePath(QStringLiteral("Pivora.mdb")));
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(QStringLiteral("UPDATE LineEntry SET Pan = 99999"), db).isActive());
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("edit"));
        LogWatch log;
        Station s(folder.path());

        // A text that happens to hold the password's letters.
        emit s.transfer.notice(texts::noAtomicReplace);
        QCOMPARE(s.status(), QString(texts::noAtomicReplace));
        QCOMPARE(log.categoryOf(texts::noAtomicReplace), QStringLiteral("kivra.publish"));

        // Reported by the scheduler on its own timer, straight to the window.
        s.window.controls().optsequence->click();
        s.rig.tick();
        QVERIFY2(s.status().startsWith(QLatin1String("Preset 1 not sent: ")),
                 qPrintable(s.status()));
        QCOMPARE(log.categoryOf(s.status()), QStringLiteral("kivra.presets"));

        for (const Logged& line : log.lines())
            QVERIFY2(!line.text.contains(QLatin1String("***")), qPrintable(line.text));
    }

    void aPasswordOthersCanReadIsNamedAtStartUp_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("FTP") << QByteArray("[Settings]\nAccel=3\nFilePassword=s3cret\n");
        QTest::newRow("network camera")
            << QByteArray("[Settings]\nAccel=3\n[Cameras]\nMast\\Address=rtsp://mast/s\n"
                          "Mast\\Password=s3cret\n");
    }

    void aPasswordOthersCanReadIsNamedAtStartUp()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("KivraWebcam.conf"));
        QVERIFY(put(path, content, 0644));
        const QString exposed = QString(texts::settingsExposed).arg(path);
        // The first close writes the window's state; the second has nothing
        // new to write.
        for (int run = 0; run < 2; ++run) {
            QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0644), 0);
            LogWatch log;
            Station s(folder.path());
            QCOMPARE(s.status(), exposed);
            QVERIFY(std::any_of(log.lines().cbegin(), log.lines().cend(), [&](const Logged& l) {
                return l.type == QtWarningMsg && l.text == exposed;
            }));
            s.window.close();
            QCOMPARE(modeOf(path), mode_t(0600));
        }
        LogWatch log;
        Station s(folder.path());
        QVERIFY(s.status() != exposed);
        for (const Logged& line : log.lines())
            QVERIFY2(line.text != exposed, qPrintable(line.text));
    }
};

QTEST_MAIN(TestStatusLog)
#include "tst_statuslog.moc"
