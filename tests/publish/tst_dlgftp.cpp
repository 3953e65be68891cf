// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeMessageBoxes.h"
#include "Texts.h"
#include "dlgFTP.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

namespace {

struct Dialog
{
    explicit Dialog(const UploadSettings& current = {})
        : dialog(current, messages)
    {}
    QLineEdit* text(const char* name) const
    {
        return dialog.findChild<QLineEdit*>(QLatin1String(name));
    }
    QCheckBox* box(const char* name) const
    {
        return dialog.findChild<QCheckBox*>(QLatin1String(name));
    }
    void clickOk() const { dialog.findChild<QPushButton*>(QStringLiteral("OKButton"))->click(); }
    QList<bool> serverFieldsEnabled() const
    {
        return {text("txtFTPServer")->isEnabled(), text("txtLogin")->isEnabled(),
                text("txtPassword")->isEnabled()};
    }

    FakeMessageBoxes messages;
    dlgFTP dialog;
};

const QList<bool> allEnabled{true, true, true};
const QList<bool> allDisabled{false, false, false};

} // namespace

class TestDlgFtp : public QObject
{
    Q_OBJECT
private slots:
    void opensWithTheSettingsAndTheEnableRule()
    {
        Dialog d;
        QCOMPARE(d.dialog.findChild<QSlider*>()->value(), 30);
        QCOMPARE(d.text("txtInterval")->text(), QStringLiteral("30"));
        QVERIFY(!d.box("chkFTPEnable")->isChecked());
        // Enabled at opening even with the box clear; then they follow it.
        QCOMPARE(d.serverFieldsEnabled(), allEnabled);
        d.box("chkFTPEnable")->click();
        QCOMPARE(d.serverFieldsEnabled(), allEnabled);
        d.box("chkFTPEnable")->click();
        QCOMPARE(d.serverFieldsEnabled(), allDisabled);
        QVERIFY(d.text("txtFilePath")->isEnabled());

        UploadSettings stored;
        stored.FTPEnable = 1;
        stored.FileHost = QStringLiteral("ftp.example.org");
        stored.FilePath = QStringLiteral("/pub/");
        stored.FileInterval = -4;
        stored.FileAuto = 1;
        stored.FileQuality = 85;
        Dialog reopened(stored);
        QCOMPARE(reopened.text("txtInterval")->text(), QStringLiteral("-4"));
        QCOMPARE(reopened.serverFieldsEnabled(), allEnabled);
        reopened.clickOk();
        QCOMPARE(reopened.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(reopened.dialog.settings(), stored);
    }

    void okTakesTextsAsTyped()
    {
        Dialog d;
        d.text("txtFTPServer")->setText(QStringLiteral(" ftp.example.org:2121 "));
        d.text("txtPassword")->setText(QStringLiteral("p w"));
        d.text("txtInterval")->setText(QStringLiteral("2.7"));
        d.box("chkAutoUpdate")->click();
        d.dialog.findChild<QSlider*>()->setValue(100);
        d.clickOk();
        const UploadSettings& s = d.dialog.settings();
        QCOMPARE(s.FileHost, QStringLiteral(" ftp.example.org:2121 "));
        QCOMPARE(s.FilePassword, QStringLiteral("p w"));
        QCOMPARE(s.FileInterval, qint16(2));
        QCOMPARE(s.FileAuto, qint16(1));
        QCOMPARE(s.FileQuality, qint16(100));
        QCOMPARE(s.FTPEnable, qint16(0));
    }

    void intervalTexts()
    {
        const QList<std::pair<const char*, int>> accepted = {
            {"30", 30}, {"2.7", 2},         {"-0.5", -1},      {" 7 ", 7},
            {"0", 0},   {"32767.9", 32767}, {"-32768", -32768}};
        for (const auto& [text, seconds] : accepted)
            QCOMPARE(dlgFTP::intervalFrom(QLatin1String(text)), std::optional<qint16>(seconds));
        for (const char* text : {"", "soon", "32768", "-32768.5", "1,000", "inf", "nan"})
            QVERIFY2(!dlgFTP::intervalFrom(QLatin1String(text)), text);
    }

    void aBadIntervalKeepsTheDialogOpenAndTakesNothing()
    {
        Dialog d;
        d.text("txtFileName")->setText(QStringLiteral("other.jpg"));
        d.text("txtInterval")->setText(QStringLiteral("40000"));
        d.clickOk();
        QCOMPARE(d.messages.texts, QStringList{texts::intervalNotAllowed});
        QCOMPARE(d.dialog.result(), int(QDialog::Rejected));
        QCOMPARE(d.dialog.settings(), UploadSettings());

        d.text("txtInterval")->setText(QStringLiteral("5"));
        d.clickOk();
        QCOMPARE(d.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(d.dialog.settings().FileName, QStringLiteral("other.jpg"));
    }
};

QTEST_MAIN(TestDlgFtp)
#include "tst_dlgftp.moc"
