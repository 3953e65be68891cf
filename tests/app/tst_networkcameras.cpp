// SPDX-License-Identifier: GPL-3.0-or-later
#include "CameraTestServer.h"
#include "CapturedLog.h"
#include "LivePicture.h"
#include "NetworkCamerasDialog.h"
#include "QtCaptureDevice.h"
#include "SettingsKeys.h"
#include "StationRig.h"
#include "Texts.h"
#include "VideoSettingsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVideoSink>

#include <functional>

using Kind = CameraTestServer::Kind;

namespace {

// The station over a real capture component, publishing through the rig's
// recording transfer.
struct Station
{
    Station()
        : rig({.capture = &capture})
    {
        rig.settings.set(keys::settingsSection, keys::ftpEnable, QStringLiteral("1"));
        rig.settings.set(keys::settingsSection, keys::captureFrame, QStringLiteral("True"));
        rig.settings.set(keys::settingsSection, keys::fileHost, QStringLiteral("ftp.example"));
        rig.start();
    }
    ~Station() { capture.networkSource().stop(); }

    const MainWindowLayout& ui() { return rig.ui(); }
    QString shown()
    {
        return CameraTestServer::colourOf(ui().ezVidCap1->videoSink()->videoFrame().toImage());
    }
    // What the live picture draws, not only what it is handed.
    QString painted() { return CameraTestServer::colourOf(ui().ezVidCap1->grab().toImage()); }
    bool said(const QString& text) const
    {
        return log.lines().contains(QLatin1String("kivra.capture: ") + text);
    }

    // "Video Settings", then "Network Cameras...": `work` fills in the
    // cameras' dialog, OK closes it, and the video settings are closed.
    bool editCameras(const std::function<void(NetworkCamerasDialog&)>& work)
    {
        bool edited = false;
        bool asked = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &rig.window(), [&] {
            auto* cameras = rig.window().findChild<NetworkCamerasDialog*>();
            auto* video = rig.window().findChild<VideoSettingsDialog*>();
            if (cameras && cameras->isVisible() && !edited) {
                edited = true;
                work(*cameras);
                QTest::mouseClick(
                    cameras->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                    Qt::LeftButton);
            } else if (video && video->isVisible() && !cameras) {
                if (edited) {
                    video->reject();
                } else if (!asked) {
                    asked = true;
                    // The click opens a dialog of its own: not from inside
                    // this tick, which would not come again while it runs.
                    QTimer::singleShot(0, video, [video] {
                        QTest::mouseClick(
                            video->findChild<QPushButton*>(QStringLiteral("cmdNetworkCameras")),
                            Qt::LeftButton);
                    });
                }
            }
        });
        poll.start(20);
        QTest::mouseClick(ui().cmdVidSettings, Qt::LeftButton);
        return edited && !rig.window().findChild<NetworkCamerasDialog*>();
    }
    // What "Video Settings" says beneath its picture sizes.
    QString videoNote()
    {
        QString note;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &rig.window(), [&] {
            auto* video = rig.window().findChild<VideoSettingsDialog*>();
            if (video && video->isVisible()) {
                note = video->findChild<QLabel*>(QStringLiteral("lblVideoNote"))->text();
                video->reject();
            }
        });
        poll.start(20);
        QTest::mouseClick(ui().cmdVidSettings, Qt::LeftButton);
        return note;
    }
    // Chooses the driver list's entry with the keyboard.
    void choose(const QString& driver)
    {
        QComboBox* list = ui().cbDriver;
        const int wanted = list->findText(driver);
        list->setFocus();
        while (list->currentIndex() != wanted && wanted >= 0)
            QTest::keyClick(list, list->currentIndex() < wanted ? Qt::Key_Down : Qt::Key_Up);
    }
    // Send Frame; the colour of the picture handed to the transfer, empty
    // when nothing was handed over.
    QString publish()
    {
        const qsizetype before = rig.transfer.jobs.size();
        QTest::mouseClick(ui().cmdCaptureFrame, Qt::LeftButton);
        if (rig.transfer.jobs.size() == before)
            return {};
        const QImage sent =
            QImage::fromData(rig.transfer.jobs.last().bytes.value_or(QByteArray()), "JPG");
        rig.transfer.finish(12);
        return CameraTestServer::colourOf(sent);
    }

    CapturedLog log;
    QtCaptureDevice capture{true};
    StationRig rig;
};

void type(QLineEdit* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

void addCamera(NetworkCamerasDialog& d, const NetworkCamera& camera)
{
    QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("cmdAdd")), Qt::LeftButton);
    type(d.findChild<QLineEdit*>(QStringLiteral("txtName")), camera.name);
    type(d.findChild<QLineEdit*>(QStringLiteral("txtAddress")), camera.address);
    type(d.findChild<QLineEdit*>(QStringLiteral("txtUser")), camera.user);
    type(d.findChild<QLineEdit*>(QStringLiteral("txtPassword")), camera.password);
}

} // namespace

class TestNetworkCameras : public QObject
{
    Q_OBJECT

private slots:
    // An RTSP camera and an MJPEG camera added in the dialog: each is seen
    // live and published; a stopped server is said lost, a send then
    // publishes nothing, and it is said back once started again. Their
    // password shows nowhere. A camera larger than the live picture is
    // shown scaled down to it and snapped whole; the video settings say
    // that its picture size is the camera's own.
    void anOperatorAddsCamerasSeesThemAndPublishes()
    {
        const QString password = QStringLiteral("Mast-Pa55");
        CameraTestServer mast({.kind = Kind::Rtsp,
                               .user = QStringLiteral("op"),
                               .password = password,
                               .size = QSize(640, 480)});
        CameraTestServer door({.kind = Kind::Mjpeg, .user = {}, .password = {}});
        QVERIFY2(mast.isRunning() && door.isRunning(), qPrintable(mast.error() + door.error()));
        door.setColour(QStringLiteral("white"));
        Station s;
        const int before = s.ui().cbDriver->count();

        QVERIFY(s.editCameras([&](NetworkCamerasDialog& d) {
            addCamera(d, mast.camera(QStringLiteral("Mast")));
            addCamera(d, door.camera(QStringLiteral("Door")));
        }));
        QComboBox* list = s.ui().cbDriver;
        QCOMPARE(list->count(), before + 2);
        QCOMPARE(list->itemText(list->count() - 1), QString(texts::testPatternDriver));
        QCOMPARE(s.rig.settings.read(keys::camerasSection, QStringLiteral("Mast/Password")),
                 password);

        s.choose(QStringLiteral("Mast"));
        QTRY_COMPARE_WITH_TIMEOUT(s.shown(), QStringLiteral("red"), 20000);
        QCOMPARE(s.painted(), QStringLiteral("red"));
        QCOMPARE(s.publish(), QStringLiteral("red"));
        QCOMPARE(s.capture.snappedFrame().size(), QSize(640, 480));
        QCOMPARE(s.videoNote(), QString(texts::networkCameraFormat).arg(QStringLiteral("Mast")));
        const QSize shownSize = s.ui().ezVidCap1->videoSink()->videoFrame().size();
        QVERIFY2(
            shownSize.width() <= s.ui().ezVidCap1->width() &&
                shownSize.height() <= s.ui().ezVidCap1->height() &&
                shownSize.width() * 3 == shownSize.height() * 4,
            qPrintable(QStringLiteral("%1x%2").arg(shownSize.width()).arg(shownSize.height())));

        mast.stop();
        QTRY_VERIFY_WITH_TIMEOUT(
            s.ui().lblStatus->text().startsWith(QLatin1String("Camera Mast lost: ")), 15000);
        QCOMPARE(s.publish(), QString());
        QCOMPARE(s.ui().lblStatus->text(), QString(texts::uploadSkippedNoPicture));
        QVERIFY(mast.start());
        QTRY_VERIFY_WITH_TIMEOUT(s.said(QStringLiteral("Camera Mast back")), 40000);
        QCOMPARE(s.publish(), QStringLiteral("red"));

        s.choose(QStringLiteral("Door"));
        QTRY_COMPARE_WITH_TIMEOUT(s.shown(), QStringLiteral("white"), 20000);
        QCOMPARE(s.painted(), QStringLiteral("white"));
        QCOMPARE(s.publish(), QStringLiteral("white"));
        door.stop();
        QTRY_VERIFY_WITH_TIMEOUT(s.said(QStringLiteral("Camera Door lost: the stream ended")),
                                 15000);
        QVERIFY(door.start());
        QTRY_VERIFY_WITH_TIMEOUT(s.said(QStringLiteral("Camera Door back")), 40000);

        for (const QString& line : s.log.lines())
            QVERIFY2(!line.contains(password), qPrintable(line));
    }
};

QTEST_MAIN(TestNetworkCameras)
#include "tst_networkcameras.moc"
