// SPDX-License-Identifier: GPL-3.0-or-later
#include "KivraWebcam.h"
#include "LivePicture.h"
#include "MountLink.h"
#include "PasswordHash.h"
#include "PresetRecordSet.h"
#include "PseudoTerminal.h"
#include "QtSerialPort.h"
#include "SettingsKeys.h"
#include "SqlitePresetFile.h"
#include "StationPaths.h"
#include "StationRig.h"
#include "TouchPad.h"
#include "WebCertificate.h"
#include "WebRemoteService.h"
#include "WebServer.h"
#include "WebSettings.h"
#include "dlgWebRemote.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSslConfiguration>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <curl/curl.h>

namespace {

const QByteArray adminPassword = "harbour lights 7";
const QByteArray guestPassword = "visitor pass";

// A browser of its own (its own cookie jar) that trusts only the station's
// certificate.
struct Browser
{
    struct Answer
    {
        int status = 0;
        QByteArray body;
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        QByteArray header(const char* name) const { return headers.value(name); }
        QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
        QMap<QByteArray, QByteArray> headers;
    };

    Browser(const WebCertificate& certificate, quint16 port)
        : base(QStringLiteral("https://127.0.0.1:%1").arg(port))
    {
        tls.setCaCertificates({QSslCertificate(certificate.certificatePem())});
    }

    Answer call(const QByteArray& method, const QString& path, const QByteArray& body = {},
                const QByteArray& contentType = "application/json")
    {
        QNetworkRequest request(QUrl(base + path));
        request.setSslConfiguration(tls);
        if (!csrf.isEmpty())
            request.setRawHeader("X-CSRF-Token", csrf);
        if (method == "POST")
            request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
        QNetworkReply* reply =
            method == "POST" ? network.post(request, body) : network.get(request);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        if (!reply->isFinished())
            finished.wait(30000);
        Answer a;
        a.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        a.body = reply->readAll();
        a.error = reply->error();
        for (const auto& pair : reply->rawHeaderPairs())
            a.headers.insert(pair.first, pair.second);
        reply->deleteLater();
        return a;
    }

    Answer logIn(const char* user, const QByteArray& password)
    {
        const QJsonObject body{{QStringLiteral("user"), QLatin1String(user)},
                               {QStringLiteral("password"), QString::fromUtf8(password)}};
        Answer a = call("POST", QStringLiteral("/api/login"), QJsonDocument(body).toJson());
        if (a.status == 200)
            csrf = a.json().value(QStringLiteral("csrf")).toString().toLatin1();
        return a;
    }

    Answer point(double x, double y)
    {
        const QJsonObject body{{QStringLiteral("x"), x}, {QStringLiteral("y"), y}};
        return call("POST", QStringLiteral("/api/point"), QJsonDocument(body).toJson());
    }

    QString base;
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    QNetworkAccessManager network;
    QByteArray csrf;
};

// A megabyte posted the way curl posts large bodies, announced with
// "Expect: 100-continue" so the client hears a refusal before it sends
// it all. Blocking: the server refuses on its own threads.
int postMegabyte(const WebCertificate& certificate, quint16 port, const QByteArray& cookie,
                 const QByteArray& csrf)
{
    const QByteArray body(1 << 20, ' ');
    const QByteArray pem = certificate.certificatePem();
    const QByteArray url = "https://127.0.0.1:" + QByteArray::number(port) + "/api/point";
    CURL* curl = curl_easy_init();
    curl_blob ca{const_cast<char*>(pem.constData()), size_t(pem.size()), CURL_BLOB_COPY};
    curl_slist* headers = nullptr;
    for (const QByteArray& h :
         {QByteArray("Content-Type: application/json"), QByteArray("Expect: 100-continue"),
          "Cookie: " + cookie, "X-CSRF-Token: " + csrf})
        headers = curl_slist_append(headers, h.constData());
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_CAINFO_BLOB, &ca);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(
        curl, CURLOPT_WRITEFUNCTION, +[](char*, size_t size, size_t n, void*) { return size * n; });
    long status = 0;
    if (curl_easy_perform(curl) == CURLE_OK)
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return int(status);
}

// Opens "Web Remote..." from the live picture's menu, as a right click
// does, lets `work` fill in the dialog and closes it with OK; false when the
// menu or the dialog did not come up.
bool webRemoteDialog(QWidget& video, const std::function<void(dlgWebRemote&)>& work)
{
    bool menuShown = false;
    bool dialogShown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &video, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            menu && !menuShown) {
            menuShown = true;
            // Chosen by its text: other entries may come before it.
            for (QAction* action : menu->actions())
                if (action->text() == QLatin1String("Web Remote..."))
                    menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
        } else if (auto* dialog = video.window()->findChild<dlgWebRemote*>();
                   dialog && dialog->isVisible() && !dialogShown) {
            dialogShown = true;
            work(*dialog);
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("OKButton")),
                              Qt::LeftButton);
        }
    });
    poll.start(20);
    QTest::mouseClick(video.window()->windowHandle(), Qt::RightButton, {},
                      video.mapTo(video.window(), QPoint(40, 40)));
    return menuShown && dialogShown;
}

} // namespace

// The web remote as a phone reaches it: a real HTTPS client against the
// whole station, its mount on a pseudo-terminal, its presets in a real
// file, its server on a free port with the station's own certificate.
class TestWebRemote : public QObject
{
    Q_OBJECT

    struct Station
    {
        explicit Station(const QString& folder, const QString& com1)
            : rig({.serial = &port, .programFolder = folder})
        {
            rig.settings.set(keys::portsSection, QStringLiteral("COM1"), com1);
            rig.start();
            rig.ui().Option1->click();
            rig.ui().optManual->click();
        }
        QtSerialPort port;
        StationRig rig;
    };

    QTemporaryDir m_root;
    WebCertificate m_certificate;
    QString m_adminHash;
    QString m_guestHash;

    // A program folder whose preset file holds (pan, tilt, delay) rows.
    QString folderWithPresets()
    {
        static int count = 0;
        const QString folder = m_root.filePath(QString::number(++count));
        QDir().mkpath(folder);
        PresetRecordSet presets{sqlitePresetFile()};
        presets.setDatabaseName(folder + QStringLiteral("/Pivora.mdb"));
        presets.open();
        for (const QVariantList& row : {QVariantList{12, 7, 5}, QVariantList{30, 4, 5}}) {
            presets.AddNew();
            for (int i = 0; i < row.size(); ++i)
                presets.setField(i, row[i]);
            presets.Update();
        }
        return folder;
    }

    // Every field of a preset as its file holds it, read afresh.
    static QString storedPreset(const QString& folder, int row)
    {
        PresetRecordSet file{sqlitePresetFile()};
        file.setDatabaseName(folder + QStringLiteral("/Pivora.mdb"));
        file.open();
        QStringList fields;
        for (int column = 0; column < file.fieldNames().size(); ++column)
            fields.append(file.value(row, column).toString());
        return fields.join(QLatin1Char('|'));
    }

    std::unique_ptr<WebServer> serve(Station& s, bool withGuest)
    {
        WebSettings settings;
        settings.enabled = true;
        settings.port = 0;
        settings.adminHash = m_adminHash;
        settings.guestHash = withGuest ? m_guestHash : QString();
        auto server = std::make_unique<WebServer>(s.rig.window().stationRemote());
        QString why;
        if (!server->start(settings, m_certificate, &why))
            qFatal("web server: %s", qPrintable(why));
        return server;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        m_certificate =
            WebCertificate::selfSigned(m_root.filePath(QStringLiteral("data")),
                                       {QStringLiteral("localhost"), QStringLiteral("127.0.0.1")});
        QVERIFY2(m_certificate.isValid(), qPrintable(m_certificate.error()));
        m_adminHash = passwordhash::make(adminPassword);
        m_guestHash = passwordhash::make(guestPassword);
    }

    void strangersAndGuessersAreTurnedAway()
    {
        PseudoTerminal pty;
        Station s(folderWithPresets(), pty.slavePath());
        QVERIFY(s.rig.window().mountLink().isOpen());
        auto server = serve(s, false);
        Browser stranger(m_certificate, server->port());

        QCOMPARE(stranger.call("GET", QStringLiteral("/api/state")).status, 401);
        QCOMPARE(stranger.call("GET", QStringLiteral("/api/frame?after=0")).status, 401);
        QCOMPARE(stranger.point(0.5, 0.5).status, 401);
        QCOMPARE(stranger.call("POST", QStringLiteral("/api/presets/1/go")).status, 401);
        // Refused on its headers: a megabyte is never read without a session.
        QCOMPARE(postMegabyte(m_certificate, server->port(), {}, {}), 401);
        const Browser::Answer unknown = stranger.call("GET", QStringLiteral("/etc/passwd"));
        QCOMPARE(unknown.status, 404);
        QVERIFY(unknown.json().contains(QStringLiteral("error")));
        // No guest password set: no guest gets in, whatever is typed.
        QCOMPARE(stranger.logIn("guest", QByteArray()).status, 401);

        for (int i = 1; i < 5; ++i)
            QCOMPARE(stranger.logIn("admin", "guess " + QByteArray::number(i)).status, 401);
        // Five failures in a minute: even the right password waits.
        const Browser::Answer slowed = stranger.logIn("admin", adminPassword);
        QCOMPARE(slowed.status, 429);
        QVERIFY(slowed.header("Set-Cookie").isEmpty());
        QCOMPARE(pty.drain(), QByteArray());
    }

    void theAdminsTapAndPresetCallSendWhatTheDesktopSends()
    {
        PseudoTerminal pty;
        Station s(folderWithPresets(), pty.slavePath());
        auto server = serve(s, false);

        // The desktop: a pointer a third of the way into the pad, and the
        // first preset of a sequenced tour.
        s.rig.window().show();
        TouchPad* pad = s.rig.ui().Picture1;
        const QRect inner = pad->contentsRect();
        const QPoint at(inner.width() / 3 + 1, inner.height() * 2 / 3 + 1);
        QTest::mouseMove(pad, inner.topLeft() + at);
        QTest::mouseClick(pad, Qt::LeftButton, {}, inner.topLeft() + at);
        const QByteArray byMouse = pty.read(8);
        QVERIFY(byMouse.startsWith('A') && byMouse.endsWith('\r'));
        s.rig.ui().optsequence->click();
        s.rig.tick();
        const QByteArray byTour = pty.read(7);
        const int toured = s.rig.window().presets().currentRow() + 1;
        QCOMPARE(byTour, toured == 1 ? QByteArray("A12\rB7\r") : QByteArray("A30\rB4\r"));
        s.rig.ui().optManual->click();
        QCOMPARE(pty.drain(), QByteArray());

        Browser phone(m_certificate, server->port());
        const Browser::Answer in = phone.logIn("admin", adminPassword);
        QCOMPARE(in.status, 200);
        const QByteArray cookie = in.header("Set-Cookie");
        for (const char* attribute : {"Secure", "HttpOnly", "SameSite=Strict"})
            QVERIFY2(cookie.contains(attribute), cookie.constData());

        const QByteArray token = std::exchange(phone.csrf, QByteArray());
        QCOMPARE(
            phone.point(double(at.x()) / inner.width(), double(at.y()) / inner.height()).status,
            403);
        QCOMPARE(pty.drain(), QByteArray());
        phone.csrf = token;
        QCOMPARE(
            phone.point(double(at.x()) / inner.width(), double(at.y()) / inner.height()).status,
            200);
        QCOMPARE(pty.read(byMouse.size()), byMouse);
        QCOMPARE(phone.call("POST", QStringLiteral("/api/presets/%1/go").arg(toured)).status, 200);
        QCOMPARE(pty.read(byTour.size()), byTour);
        QCOMPARE(phone.call("POST", QStringLiteral("/api/presets/9/go")).status, 404);
        QCOMPARE(phone.point(1.5, 0).status, 400);
        QCOMPARE(phone.call("POST", QStringLiteral("/api/mode"), "{\"mode\":\"fast\"}").status,
                 400);
        QCOMPARE(
            postMegabyte(m_certificate, server->port(), cookie.left(cookie.indexOf(';')), token),
            413);
        QCOMPARE(pty.drain(), QByteArray());

        const QJsonObject state = phone.call("GET", QStringLiteral("/api/state")).json();
        QCOMPARE(state.value(QStringLiteral("role")).toString(), QStringLiteral("admin"));
        QCOMPARE(state.value(QStringLiteral("pan")).toInt(), toured == 1 ? 12 : 30);
        QCOMPARE(state.value(QStringLiteral("presets")).toArray().size(), 2);
        const Browser::Answer frame = phone.call("GET", QStringLiteral("/api/frame?after=0"));
        QCOMPARE(frame.status, 200);
        QCOMPARE(frame.header("Content-Type"), QByteArray("image/jpeg"));
        QVERIFY(frame.header("X-Frame-Sequence").toULongLong() >= 1);
        QVERIFY(frame.body.startsWith("\xFF\xD8"));

        // The position on show as a new preset, then gone again.
        QCOMPARE(phone.call("POST", QStringLiteral("/api/presets")).status, 200);
        const auto presets = [&phone] {
            return phone.call("GET", QStringLiteral("/api/state"))
                .json()
                .value(QStringLiteral("presets"))
                .toArray();
        };
        QCOMPARE(presets().size(), 3);
        QCOMPARE(presets().last()[QStringLiteral("pan")].toString(),
                 toured == 1 ? QStringLiteral("12") : QStringLiteral("30"));
        QCOMPARE(s.rig.window().presets().RecordCount(), 3);
        QCOMPARE(phone.call("POST", QStringLiteral("/api/presets/3/delete")).status, 200);
        QCOMPARE(presets().size(), 2);
        QCOMPARE(phone.call("POST", QStringLiteral("/api/presets/3/delete")).status, 404);

        QCOMPARE(phone.call("POST", QStringLiteral("/api/logout")).status, 200);
        QCOMPARE(phone.call("GET", QStringLiteral("/api/state")).status, 401);
    }

    void aGuestMayOnlyViewAndCallPresets()
    {
        PseudoTerminal pty;
        Station s(folderWithPresets(), pty.slavePath());
        auto server = serve(s, true);
        Browser guest(m_certificate, server->port());
        QCOMPARE(guest.logIn("guest", guestPassword).status, 200);

        QCOMPARE(guest.point(0.5, 0.5).status, 403);
        QCOMPARE(guest.call("POST", QStringLiteral("/api/mode"), "{\"mode\":\"training\"}").status,
                 403);
        QCOMPARE(guest.call("POST", QStringLiteral("/api/send")).status, 403);
        QCOMPARE(guest.call("POST", QStringLiteral("/api/presets")).status, 403);
        QCOMPARE(guest.call("POST", QStringLiteral("/api/presets/1/delete")).status, 403);
        QCOMPARE(s.rig.window().presets().RecordCount(), 2);
        QVERIFY(s.rig.ui().optManual->isChecked());
        QCOMPARE(pty.drain(), QByteArray());

        QCOMPARE(guest.call("GET", QStringLiteral("/api/state"))
                     .json()
                     .value(QStringLiteral("role"))
                     .toString(),
                 QStringLiteral("guest"));
        QCOMPARE(guest.call("POST", QStringLiteral("/api/presets/2/go")).status, 200);
        QCOMPARE(pty.read(7), QByteArray("A30\rB4\r"));
    }

    void anAdminEditsAPresetAsTheGridWouldTakeIt()
    {
        PseudoTerminal pty;
        const QString folder = folderWithPresets();
        Station s(folder, pty.slavePath());
        auto server = serve(s, true);
        const QString untouched = storedPreset(folder, 0);
        const QByteArray edit = R"({"pan": 40, "name": " <b>roof</b> "})";
        Browser guest(m_certificate, server->port());
        QCOMPARE(guest.logIn("guest", guestPassword).status, 200);
        QCOMPARE(guest.call("POST", QStringLiteral("/api/presets/1"), edit).status, 403);

        Browser phone(m_certificate, server->port());
        QCOMPARE(phone.logIn("admin", adminPassword).status, 200);
        // What the grid refuses, the page cannot store either: all or nothing.
        for (const QByteArray& bad :
             {QByteArray(R"({"pan": 12, "tilt": 40000})"), QByteArray(R"({"delay": "soon"})"),
              QByteArray(R"({"pan": ""})"), QByteArray(R"({"pan": [1]})"),
              QByteArray(R"({"speed": 3})"), QByteArray("{}")}) {
            const Browser::Answer refused =
                phone.call("POST", QStringLiteral("/api/presets/1"), bad);
            QCOMPARE(refused.status, 400);
            QVERIFY(!refused.json().value(QStringLiteral("error")).toString().isEmpty());
        }
        QCOMPARE(phone.call("POST", QStringLiteral("/api/presets/3"), edit).status, 404);
        QCOMPARE(storedPreset(folder, 0), untouched);

        // The operator is typing a delay into the same preset at the desktop:
        // that is written first, the page's change on top of it.
        s.rig.window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.rig.window()));
        QTableView* grid = s.rig.ui().DBGrid1;
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, 2));
        QTest::keyClicks(grid, QStringLiteral("8"));
        QVERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
        QCOMPARE(phone.call("POST", QStringLiteral("/api/presets/1"), edit).status, 200);
        QCOMPARE(storedPreset(folder, 0), QStringLiteral("40|7|8|<b>roof</b>"));
        QCOMPARE(storedPreset(folder, 1), QStringLiteral("30|4|5|"));
        const QJsonObject shown = phone.call("GET", QStringLiteral("/api/state"))
                                      .json()[QStringLiteral("presets")][0]
                                      .toObject();
        QCOMPARE(shown[QStringLiteral("name")].toString(), QStringLiteral("<b>roof</b>"));
        QCOMPARE(pty.drain(), QByteArray());
    }

    void theStationRunsItsRemoteAsItsSettingsSay()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const QString port = QString::number(probe.serverPort());
        probe.close();
        const auto configure = [&](StationRig& rig, bool withPassword) {
            rig.settings.set(keys::webSection, keys::webEnabled, QStringLiteral("True"));
            rig.settings.set(keys::webSection, keys::webPort, port);
            if (withPassword)
                rig.settings.set(keys::webSection, keys::webAdminHash, m_adminHash);
        };

        StationRig withoutPassword;
        configure(withoutPassword, false);
        withoutPassword.start();
        QCOMPARE(withoutPassword.status(),
                 QStringLiteral("Web remote off: no admin password is set"));
        QVERIFY(!withoutPassword.window().webRemote().isRunning());

        StationRig station;
        configure(station, true);
        station.start();
        QCOMPARE(station.status(), QStringLiteral("Web remote on port ") + port);
        // The certificate it made is kept where it is found again.
        const WebCertificate kept =
            WebCertificate::selfSigned(StationPaths::dataFolder(), {QStringLiteral("other")});
        QCOMPARE(kept.fingerprint(), station.window().webRemote().fingerprint());

        Browser phone(kept, quint16(port.toUInt()));
        const Browser::Answer page = phone.call("GET", QStringLiteral("/"));
        QCOMPARE(page.status, 200);
        QVERIFY(page.body.contains("<script src=\"/app.js\""));
        QVERIFY(page.header("Content-Security-Policy").contains("script-src 'self'"));
        QVERIFY(!page.header("Content-Security-Policy").contains("unsafe"));
        QCOMPARE(phone.call("GET", QStringLiteral("/app.js")).status, 200);
        QCOMPARE(phone.logIn("admin", adminPassword).status, 200);
        QTRY_COMPARE_WITH_TIMEOUT(
            station.status(), QStringLiteral("Web remote: admin signed in from 127.0.0.1"), 10000);

        StationRig second;
        configure(second, true);
        second.start();
        QCOMPARE(second.status(),
                 QStringLiteral("Web remote could not start: port %1 is in use").arg(port));

        station.window().End();
        QVERIFY(!station.window().webRemote().isRunning());
    }

    void theOperatorTurnsItOnInTheDialog()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const int port = probe.serverPort();
        probe.close();
        StationRig station;
        station.start();
        station.window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&station.window()));

        // Turned on without a password: the dialog says why and stays.
        QVERIFY(webRemoteDialog(*station.ui().ezVidCap1, [&](dlgWebRemote& d) {
            d.findChild<QCheckBox*>(QStringLiteral("chkEnabled"))->setChecked(true);
            d.findChild<QSpinBox*>(QStringLiteral("spnPort"))->setValue(port);
            QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("OKButton")),
                              Qt::LeftButton);
            QVERIFY(d.isVisible());
            QVERIFY(!d.findChild<QLabel*>(QStringLiteral("lblProblem"))->text().isEmpty());
            QTest::keyClicks(d.findChild<QLineEdit*>(QStringLiteral("txtAdminPassword")),
                             QString::fromUtf8(adminPassword));
        }));
        QTRY_VERIFY(!station.window().findChild<dlgWebRemote*>() ||
                    !station.window().findChild<dlgWebRemote*>()->isVisible());
        QCOMPARE(station.status(), QStringLiteral("Web remote on port %1").arg(port));
        const QString hash = station.settings.values.value(QStringLiteral("Web/AdminHash"));
        QVERIFY(passwordhash::verify(hash, adminPassword));
        QCOMPARE(station.settings.values.value(QStringLiteral("Web/Enabled")),
                 QStringLiteral("True"));

        // Opened again: the fingerprint of the certificate in use, nothing
        // typed keeps the password.
        QString shownFingerprint;
        QVERIFY(webRemoteDialog(*station.ui().ezVidCap1, [&](dlgWebRemote& d) {
            shownFingerprint = d.findChild<QLabel*>(QStringLiteral("lblFingerprint"))->text();
        }));
        QCOMPARE(shownFingerprint, station.window().webRemote().fingerprint());
        QCOMPARE(shownFingerprint.size(), 32 * 3 - 1);
        QCOMPARE(station.settings.values.value(QStringLiteral("Web/AdminHash")), hash);
    }

    void aFloodOfConnectionsIsHeldToTheLimit()
    {
        PseudoTerminal pty;
        Station s(folderWithPresets(), pty.slavePath());
        auto server = serve(s, false);
        const auto threads = [] {
            return QDir(QStringLiteral("/proc/self/task"))
                .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                .size();
        };
        const qsizetype before = threads();

        std::vector<std::unique_ptr<QTcpSocket>> flood;
        int settled = 0;
        for (int i = 0; i < 500; ++i) {
            auto socket = std::make_unique<QTcpSocket>();
            connect(socket.get(), &QTcpSocket::connected, this, [&settled] { ++settled; });
            connect(socket.get(), &QTcpSocket::errorOccurred, this, [&settled] { ++settled; });
            socket->connectToHost(QHostAddress::LocalHost, server->port());
            flood.push_back(std::move(socket));
        }
        QTRY_VERIFY_WITH_TIMEOUT(settled >= 500, 30000);
        // Every silent connection past the limit is closed at once; the
        // ones within it hold a thread each until they go.
        QTRY_VERIFY_WITH_TIMEOUT(threads() <= before + qsizetype(WebServer::mostPerAddress) + 8,
                                 30000);
        flood.clear();

        Browser phone(m_certificate, server->port());
        QTRY_COMPARE_WITH_TIMEOUT(phone.logIn("admin", adminPassword).status, 200, 30000);
        QCOMPARE(phone.call("POST", QStringLiteral("/api/presets/2/go")).status, 200);
        QCOMPARE(pty.read(7), QByteArray("A30\rB4\r"));
    }
};

QTEST_MAIN(TestWebRemote)
#include "tst_webremote.moc"
