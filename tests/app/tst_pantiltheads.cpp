// SPDX-License-Identifier: GPL-3.0-or-later
#include "IntervalTimer.h"
#include "KivraWebcam.h"
#include "LivePicture.h"
#include "MemorySettingsStore.h"
#include "MountLink.h"
#include "PresetRecordSet.h"
#include "PseudoTerminal.h"
#include "QtSerialPort.h"
#include "SettingsKeys.h"
#include "SimulatedHead.h"
#include "StationRig.h"
#include "TouchPad.h"
#include "dlgMount.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

using Position = SimulatedHead::Position;
using Head = SimulatedHead::Protocol;

// A station on COM1 = a pseudo-terminal with a simulated head behind it.
// The pad's pan 1 to 21 spans -120 to 120 degrees, its tilt 1 to 17 spans
// 30 to -50; the head is set up in [Mount] unless `protocol` is empty.
struct Station
{
    Station(const QString& protocol, std::optional<Head> head)
        : rig({.serial = &serial, .programFolder = folder.path()})
        , configured(configure(protocol))
    {
        if (head)
            simulated = std::make_unique<SimulatedHead>(pty, *head, 1, 14.4);
        window.Load();
        window.findChild<IntervalTimer*>(QStringLiteral("Timer3"))->setEnabled(false);
        window.controls().Option1->click();
        window.controls().optManual->click();
    }
    bool configure(const QString& protocol)
    {
        settings.set(keys::portsSection, QStringLiteral("COM1"), pty.slavePath());
        if (protocol.isEmpty())
            return true;
        const QString mount = keys::mountSection;
        settings.set(mount, keys::protocol, protocol);
        settings.set(mount, keys::panFrom, QStringLiteral("-120"));
        settings.set(mount, keys::panTo, QStringLiteral("120"));
        settings.set(mount, keys::tiltFrom, QStringLiteral("30"));
        settings.set(mount, keys::tiltTo, QStringLiteral("-50"));
        settings.set(mount, keys::unitsPerDegree, QStringLiteral("14.4"));
        return true;
    }
    const MainWindowLayout& ui() const { return window.controls(); }

    // The operator's pointer on the pad at `at` (a share of its width and
    // height), through the window; clicked when `click`. Waits for the head
    // to get there.
    bool point(QPointF at, bool click = false)
    {
        const qsizetype before = simulated->visited.size();
        TouchPad* pad = ui().Picture1;
        const QRect inner = pad->contentsRect();
        const QPoint spot =
            pad->mapTo(&window, inner.topLeft() + QPoint(int(inner.width() * at.x()),
                                                         int(inner.height() * at.y())));
        // From off the pad: a pointer that stays where it was moves nothing.
        QTest::mouseMove(window.windowHandle(), QPoint(1, 1));
        QTest::mouseMove(window.windowHandle(), spot);
        if (click)
            QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, spot);
        return QTest::qWaitFor([&] { return simulated->visited.size() > before; }, 10000);
    }
    // Where the head should be for the position the window shows.
    Position shownAngles() const
    {
        const MountSettings& s = window.findChild<MountLink*>()->settings();
        return {s.panDegrees(qint16(ui().lblPan->text().toInt())),
                s.tiltDegrees(qint16(ui().lblTilt->text().toInt()))};
    }

    QTemporaryDir folder;
    PseudoTerminal pty;
    QtSerialPort serial;
    StationRig rig;
    MemorySettingsStore& settings = rig.settings;
    bool configured;
    KivraWebcam& window = rig.window();
    std::unique_ptr<SimulatedHead> simulated;
};

} // namespace

// Real heads behind the station's own controls: the pad, training, a tour,
// and the Mount Settings dialog.
class TestPanTiltHeads : public QObject
{
    Q_OBJECT
private slots:
    void aPadClickGivesTheSameAngleOverEveryProtocol()
    {
        const std::pair<const char*, Head> heads[] = {
            {"PelcoD", Head::PelcoD}, {"PelcoP", Head::PelcoP}, {"Visca", Head::Visca}};
        QList<Position> reached;
        for (const auto& [protocol, head] : heads) {
            Station s(QLatin1String(protocol), head);
            s.window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&s.window));
            QVERIFY2(s.point({0.3, 0.8}, true), protocol);
            QVERIFY2(s.simulated->faults.isEmpty(), qPrintable(s.simulated->faults.join('\n')));
            QVERIFY2(sameAngles(s.simulated->visited.last(), s.shownAngles()),
                     qPrintable(describe(s.simulated->visited)));
            reached.append(s.simulated->visited.last());
        }
        QVERIFY2(sameAngles(reached[0], reached[1]) && sameAngles(reached[0], reached[2]),
                 qPrintable(describe(reached)));
    }

    // Three presets trained on the pad, then sequenced pointing: the head
    // visits the second, the third and the first, as the station walks them.
    void aTourOverThreePresetsVisitsThemInOrder_data()
    {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<int>("head");
        QTest::newRow("Pelco-D") << "PelcoD" << int(Head::PelcoD);
        QTest::newRow("VISCA") << "Visca" << int(Head::Visca);
    }
    void aTourOverThreePresetsVisitsThemInOrder()
    {
        QFETCH(QString, protocol);
        QFETCH(int, head);
        Station s(protocol, Head(head));
        s.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.window));
        s.ui().txtDefDelay->setText(QStringLiteral("1"));
        s.ui().optTrain->click();
        QList<Position> presets;
        for (QPointF at : {QPointF(0.1, 0.1), QPointF(0.9, 0.5), QPointF(0.5, 0.95)}) {
            QVERIFY(s.point(at, true));
            presets.append(s.shownAngles());
        }
        QCOMPARE(s.window.presets().RecordCount(), 3);

        const qsizetype before = s.simulated->visited.size();
        s.ui().optsequence->click();
        QTRY_VERIFY_WITH_TIMEOUT(s.simulated->visited.size() >= before + 3, 20000);
        const QList<Position> tour = s.simulated->visited.mid(before, 3);
        QVERIFY2(sameAngles(tour[0], presets[1]) && sameAngles(tour[1], presets[2]) &&
                     sameAngles(tour[2], presets[0]),
                 qPrintable(describe(tour) + QStringLiteral(" for ") + describe(presets)));
        QVERIFY2(s.simulated->faults.isEmpty(), qPrintable(s.simulated->faults.join('\n')));
    }

    // A station set up before heads were known speaks its own commands until
    // the operator picks a protocol in the dialog, which shows the bytes of
    // a test move; from OK on the head gets those.
    void theMountSettingsDialogSwitchesTheProtocol()
    {
        Station s({}, std::nullopt);
        s.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.window));
        s.window.mountLink().SendPan(7);
        s.window.mountLink().SendTilt(3);
        QCOMPARE(s.pty.read(6), QByteArray("A7\rB3\r"));

        QString shown;
        QVERIFY(mountSettings(s.ui().ezVidCap1, [&shown](dlgMount& d) {
            auto* protocol = d.findChild<QComboBox*>(QStringLiteral("cboProtocol"));
            protocol->setCurrentIndex(protocol->findText(QStringLiteral("PelcoD")));
            QCOMPARE(d.findChild<QSpinBox*>(QStringLiteral("spnGap"))->value(), 100);
            shown = d.testMoveText();
        }));
        // The middle of the pad is straight ahead with the usual spans.
        QCOMPARE(shown, QStringLiteral("FF 01 00 4B 00 00 4C\nFF 01 00 4D 00 00 4E"));
        QCOMPARE(s.settings.values.value(QStringLiteral("Mount/Protocol")),
                 QStringLiteral("PelcoD"));
        QCOMPARE(s.settings.values.value(QStringLiteral("Mount/MinimumGap")),
                 QStringLiteral("100"));
        QVERIFY(s.window.mountLink().isOpen());

        s.simulated = std::make_unique<SimulatedHead>(s.pty, Head::PelcoD, 1);
        QVERIFY(s.point({0.7, 0.2}));
        QVERIFY2(s.simulated->faults.isEmpty(), qPrintable(s.simulated->faults.join('\n')));
        QVERIFY(sameAngles(s.simulated->visited.last(), s.shownAngles()));
    }

private:
    // Opens "Mount Settings..." from the live picture's menu, as a right
    // click does, lets `work` fill in the dialog and presses OK.
    static bool mountSettings(QWidget* video, const std::function<void(dlgMount&)>& work)
    {
        bool menuShown = false;
        bool dialogShown = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, video, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                menu && !menuShown) {
                menuShown = true;
                QTest::keyClick(menu, Qt::Key_Down);
                QTest::keyClick(menu, Qt::Key_Down);
                QTest::keyClick(menu, Qt::Key_Return);
            } else if (auto* dialog = video->window()->findChild<dlgMount*>();
                       dialog && dialog->isVisible() && !dialogShown) {
                dialogShown = true;
                work(*dialog);
                QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("OKButton")),
                                  Qt::LeftButton);
            }
        });
        poll.start(20);
        QTest::mouseClick(video->window()->windowHandle(), Qt::RightButton, {},
                          video->mapTo(video->window(), QPoint(40, 40)));
        return menuShown && dialogShown && !video->window()->findChild<dlgMount*>();
    }
};

QTEST_MAIN(TestPanTiltHeads)
#include "tst_pantiltheads.moc"
