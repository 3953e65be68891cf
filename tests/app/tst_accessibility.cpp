// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader gets from the station's windows.
#include "ClickableLabel.h"
#include "FakeMessageBoxes.h"
#include "FakeWebBrowser.h"
#include "KivraWebcam.h"
#include "StationRig.h"
#include "dlgFTP.h"
#include "frmBrowser.h"

#include <QAccessible>
#include <QTest>

namespace {

QAccessibleInterface* reader(QWidget* widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

// The labels a screen reader names the widget by.
QStringList labelsOf(QWidget* widget)
{
    QStringList labels;
    for (const auto& [label, relation] : reader(widget)->relations(QAccessible::Label))
        labels.append(label->text(QAccessible::Name));
    return labels;
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT
private slots:
    void everyToolTipIsReadAndEveryFieldNamed()
    {
        StationRig rig({.browser = {[](const QString&, QWidget* host) {
                            return std::make_unique<FakeWebBrowser>(host);
                        }}});
        rig.load();
        KivraWebcam& station = rig.window();
        FakeMessageBoxes& messages = rig.messages;

        // The logo is a button to a screen reader, and pressing it there
        // opens the browser window as a click does.
        QAccessibleInterface* logo = reader(station.controls().Picture2);
        QVERIFY(logo);
        QCOMPARE(logo->role(), QAccessible::Button);
        QCOMPARE(logo->text(QAccessible::Name), QStringLiteral("Visit Our website"));
        logo->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(station.findChildren<frmBrowser*>().size(), 1);
        dlgFTP dialog({}, messages, &station);

        // All three windows: the tips set with the layout, the port tips set
        // after it, the browser's toolbar buttons, the grid (whose view
        // reads no tip of its own) and the navigator's buttons.
        QStringList described;
        QStringList wrong;
        for (QWidget* widget : station.findChildren<QWidget*>()) {
            if (widget->toolTip().isEmpty())
                continue;
            described.append(widget->toolTip());
            const QString said = reader(widget)->text(QAccessible::Description);
            if (said != widget->toolTip())
                wrong.append(widget->objectName() + QStringLiteral(": ") + said);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral("; "))));
        for (const char* tip : {"Preset positions used for sequenced pointing", "/dev/ttyS3",
                                "Home", "Use 30 for best quality/compression", "Next record"})
            QVERIFY2(described.contains(QLatin1String(tip)), tip);

        // Fields are labelled by their labels (a field in a frame by the frame
        // too); the slider has no one label and is named after its frame.
        const QList<std::pair<const char*, const char*>> fields = {
            {"txtFTPServer", "FTP Server"}, {"txtLogin", "Login"},
            {"txtPassword", "Password"},    {"txtFileName", "FileName"},
            {"txtFilePath", "Path"},        {"txtInterval", "Interval"},
            {"cboAddress", "Address:"},     {"txtDefDelay", "Default Delay"}};
        for (const auto& [field, label] : fields) {
            const QStringList labels = labelsOf(station.findChild<QWidget*>(QLatin1String(field)));
            QVERIFY2(labels.contains(QLatin1String(label)), field);
        }
        QCOMPARE(reader(station.findChild<QWidget*>(QStringLiteral("sldrJPGQuality")))
                     ->text(QAccessible::Name),
                 QStringLiteral("Image Quality"));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
