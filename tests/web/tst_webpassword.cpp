// SPDX-License-Identifier: GPL-3.0-or-later
#include "IniSettingsStore.h"
#include "PasswordHash.h"
#include "SettingsKeys.h"
#include "StationPaths.h"

#include <QFile>
#include <QProcess>
#include <QTest>

// `kivrawebcam --web-password`, run as an operator runs it over SSH: the
// real program, the password on its standard input, the real settings file.
class TestWebPassword : public QObject
{
    Q_OBJECT

    static int run(const QStringList& arguments, const QByteArray& input)
    {
        QProcess program;
        program.start(QStringLiteral(KIVRA_PROGRAM), arguments);
        program.write(input);
        program.closeWriteChannel();
        if (!program.waitForFinished(60000))
            return -1;
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

private slots:
    void onlyTheHashOfAGoodPasswordIsStored()
    {
        QCOMPARE(run({QStringLiteral("--web-password"), QStringLiteral("admin")}, "short\n"), 2);
        QCOMPARE(run({QStringLiteral("--web-password"), QStringLiteral("root")}, "long enough\n"),
                 2);
        QVERIFY(!QFile::exists(StationPaths::settingsFile()));

        QCOMPARE(run({QStringLiteral("--web-password=admin")}, "lighthouse keeper\r\n"), 0);
        QCOMPARE(run({QStringLiteral("--web-password"), QStringLiteral("guest")}, "dock visitor\n"),
                 0);
        QFile file(StationPaths::settingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(!text.contains("lighthouse") && !text.contains("visitor"));

        const IniSettingsStore stored;
        const QString admin = stored.read(keys::webSection, keys::webAdminHash);
        QVERIFY(passwordhash::verify(admin, "lighthouse keeper"));
        QVERIFY(passwordhash::verify(stored.read(keys::webSection, keys::webGuestHash),
                                     "dock visitor"));
        QVERIFY(!passwordhash::verify(admin, "dock visitor"));
    }
};

QTEST_GUILESS_MAIN(TestWebPassword)
#include "tst_webpassword.moc"
