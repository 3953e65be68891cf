// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoginThrottle.h"
#include "MemorySettingsStore.h"
#include "PasswordHash.h"
#include "SettingsKeys.h"
#include "WebCertificate.h"
#include "WebSessions.h"
#include "WebSettings.h"

#include <QFile>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// Who gets in: the [Web] settings as stored, the password hashes, the
// sessions and the throttle on wrong passwords.
class TestWebAccess : public QObject
{
    Q_OBJECT

private slots:
    void theRemoteStaysOffWithoutAnAdminPasswordAndOnAPrivilegedPort()
    {
        MemorySettingsStore store;
        store.set(keys::webSection, keys::webEnabled, QStringLiteral("True"));
        store.set(keys::webSection, keys::webPort, QStringLiteral("443"));
        WebSettings s = readWebSettings(store);
        QVERIFY(!s.canRun());
        QCOMPARE(s.port, 8443);
        QCOMPARE(s.frameWidth, 960);
        QCOMPARE(s.frameRate, 5);

        s.adminHash = passwordhash::make("correct horse");
        s.port = 9443;
        storeWebSettings(s, store);
        const WebSettings back = readWebSettings(store);
        QVERIFY(back.canRun());
        QCOMPARE(back.port, 9443);
        QVERIFY(back.adminHash.startsWith(QStringLiteral("$argon2id$")));
        QVERIFY(!back.adminHash.contains(QStringLiteral("correct horse")));
        QVERIFY(passwordhash::verify(back.adminHash, "correct horse"));
        QVERIFY(!passwordhash::verify(back.adminHash, "correct hors"));
        QVERIFY(!passwordhash::verify(QString(), QByteArray()));
        QVERIFY(passwordhash::make(QByteArray()).isEmpty());
    }

    void sessionsEndAndTheirTokensAreTheirOwn()
    {
        WebSessions sessions;
        const auto t0 = WebSessions::Clock::now();
        const auto a = sessions.open(WebRole::Admin, QStringLiteral("10.0.0.1"), t0);
        const auto b = sessions.open(WebRole::Guest, QStringLiteral("10.0.0.2"), t0);
        QVERIFY(a.id.size() >= 40 && a.id != b.id && a.csrf != b.csrf && a.id != a.csrf);
        QVERIFY(WebSessions::tokenMatches(a, a.csrf));
        QVERIFY(!WebSessions::tokenMatches(a, b.csrf));
        QVERIFY(!WebSessions::tokenMatches(a, QByteArray()));

        const QByteArray cookie = WebSessions::cookie(a);
        for (const char* attribute : {"Secure", "HttpOnly", "SameSite=Strict", "Max-Age="})
            QVERIFY2(cookie.contains(attribute), attribute);
        QCOMPARE(WebSessions::idFromCookies("theme=dark; " + cookie.left(cookie.indexOf(';'))),
                 a.id);

        QCOMPARE(sessions.find(a.id, t0)->role, WebRole::Admin);
        QVERIFY(!sessions.find(a.id, t0 + WebSessions::lifetime));
        sessions.close(b.id);
        QVERIFY(!sessions.find(b.id, t0));
    }

    void wrongPasswordsAreSlowedPerAddressForAMinute()
    {
        LoginThrottle throttle;
        const auto t0 = LoginThrottle::Clock::now();
        const QString a = QStringLiteral("192.0.2.7");
        // A right password takes its own count back, never the others'.
        QVERIFY(throttle.attempt(a, t0));
        throttle.succeeded(a);
        // Side by side: each attempt is counted before its password is
        // checked, so the sixth is refused while the five are still out.
        for (int i = 0; i < LoginThrottle::limit; ++i)
            QVERIFY(throttle.attempt(a, t0 + std::chrono::seconds(i)));
        QVERIFY(!throttle.attempt(a, t0 + std::chrono::seconds(5)));
        QVERIFY(!throttle.allowed(a, t0 + std::chrono::seconds(30)));
        QVERIFY(throttle.allowed(QStringLiteral("192.0.2.8"), t0));
        QVERIFY(throttle.allowed(a, t0 + std::chrono::seconds(61)));
    }

    void theStationsOwnCertificateIsMadeOnceOwnerOnlyAndNeverThroughALink()
    {
        QTemporaryDir data;
        const QString folder = data.filePath(QStringLiteral("KivraWebcam"));
        const QStringList names{QStringLiteral("roofcam"), QStringLiteral("192.0.2.5")};
        const WebCertificate made = WebCertificate::selfSigned(folder, names);
        QVERIFY2(made.isValid(), qPrintable(made.error()));

        const QSslCertificate seen(made.certificatePem());
        QCOMPARE(made.fingerprint(),
                 QString::fromLatin1(seen.digest(QCryptographicHash::Sha256).toHex(':').toUpper()));
        const auto alternatives = seen.subjectAlternativeNames();
        QVERIFY(alternatives.values(QSsl::DnsEntry).contains(QStringLiteral("roofcam")));
        QVERIFY(alternatives.values(QSsl::IpAddressEntry).contains(QStringLiteral("192.0.2.5")));
        for (const char* name :
             {WebCertificate::certificateFileName, WebCertificate::keyFileName}) {
            struct stat st
            {};
            QCOMPARE(::stat(QFile::encodeName(folder + '/' + name).constData(), &st), 0);
            QCOMPARE(st.st_mode & 0777, 0600u);
        }
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 2);

        QCOMPARE(WebCertificate::selfSigned(folder, {QStringLiteral("other")}).fingerprint(),
                 made.fingerprint());
        const WebCertificate operators =
            WebCertificate::fromFiles(folder + '/' + WebCertificate::certificateFileName,
                                      folder + '/' + WebCertificate::keyFileName);
        QCOMPARE(operators.fingerprint(), made.fingerprint());

        // A link planted where the key goes: refused, its target untouched.
        const QString planted = data.filePath(QStringLiteral("planted"));
        QFile target(planted);
        QVERIFY(target.open(QIODevice::WriteOnly));
        target.write("mine");
        target.close();
        QVERIFY(QFile::remove(folder + '/' + WebCertificate::keyFileName));
        QVERIFY(QFile::link(planted, folder + '/' + WebCertificate::keyFileName));
        const WebCertificate refused = WebCertificate::selfSigned(folder, names);
        QVERIFY(!refused.isValid());
        QVERIFY(target.open(QIODevice::ReadOnly));
        QCOMPARE(target.readAll(), QByteArray("mine"));
    }
};

QTEST_GUILESS_MAIN(TestWebAccess)
#include "tst_webaccess.moc"
