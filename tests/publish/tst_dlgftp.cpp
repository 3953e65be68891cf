#include "FakeMessageBoxes.h"
#include "Texts.h"
#include "dlgFTP.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
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
    QSlider* slider() const { return dialog.findChild<QSlider*>(QStringLiteral("sldrJPGQuality")); }
    void click(const char* name) const
    {
        dialog.findChild<QPushButton*>(QLatin1String(name))->click();
    }
    bool serverFieldsEnabled() const
    {
        return text("txtFTPServer")->isEnabled() && text("txtLogin")->isEnabled() &&
               text("txtPassword")->isEnabled();
    }
    bool serverFieldsDisabled() const
    {
        return !text("txtFTPServer")->isEnabled() && !text("txtLogin")->isEnabled() &&
               !text("txtPassword")->isEnabled();
    }

    FakeMessageBoxes messages;
    dlgFTP dialog;
};

} // namespace

class TestDlgFtp : public QObject
{
    Q_OBJECT
private slots:
    void designOfTheControls()
    {
        Dialog d;
        QCOMPARE(d.dialog.windowTitle(), QStringLiteral("FTP Settings"));
        QCOMPARE(d.dialog.size(), QSize(389, 371));
        QVERIFY(!(d.dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(d.dialog.windowFlags() & Qt::WindowMinimizeButtonHint));
        QCOMPARE(d.dialog.findChild<QPushButton*>(QStringLiteral("OKButton"))->geometry(),
                 QRect(112, 336, 81, 25));
        QCOMPARE(d.text("txtInterval")->parentWidget()->objectName(), QStringLiteral("Frame1"));
        QCOMPARE(d.text("txtInterval")->geometry(), QRect(136, 23, 57, 19));

        QSlider* quality = d.slider();
        QCOMPARE(quality->parentWidget()->objectName(), QStringLiteral("Frame2"));
        QCOMPARE(quality->minimum(), 1);
        QCOMPARE(quality->maximum(), 100);
        QCOMPARE(quality->singleStep(), 1);
        QCOMPARE(quality->pageStep(), 10);
        QCOMPARE(quality->tickInterval(), 5);
        QCOMPARE(quality->toolTip(), QStringLiteral("Use 30 for best quality/compression"));

        QLineEdit* password = d.text("txtPassword");
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        QCOMPARE(
            password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, password),
            int('*'));

        QStringList order;
        QWidget* w = d.dialog.findChild<QPushButton*>(QStringLiteral("OKButton"));
        do {
            if (w->focusPolicy() & Qt::TabFocus)
                order << w->objectName();
            w = w->nextInFocusChain();
        } while (w->objectName() != QLatin1String("OKButton"));
        QCOMPARE(order, (QStringList{"OKButton", "CancelButton", "txtFTPServer", "txtLogin",
                                     "txtPassword", "chkFTPEnable", "txtFileName", "chkAutoUpdate",
                                     "txtInterval", "txtFilePath", "sldrJPGQuality"}));
    }

    void opensWithTheSettingsAndTheEnableRule()
    {
        Dialog fresh;
        QCOMPARE(fresh.slider()->value(), 30);
        QCOMPARE(fresh.text("txtInterval")->text(), QStringLiteral("30"));
        QVERIFY(!fresh.box("chkFTPEnable")->isChecked());
        QVERIFY(!fresh.box("chkAutoUpdate")->isChecked());
        // The server fields open enabled even with the box clear ...
        QVERIFY(fresh.serverFieldsEnabled());
        // ... and follow the box once the operator changes it.
        fresh.box("chkFTPEnable")->click();
        QVERIFY(fresh.serverFieldsEnabled());
        fresh.box("chkFTPEnable")->click();
        QVERIFY(fresh.serverFieldsDisabled());
        QVERIFY(fresh.text("txtFilePath")->isEnabled());
        QVERIFY(fresh.text("txtInterval")->isEnabled());
        fresh.box("chkFTPEnable")->click();
        QVERIFY(fresh.serverFieldsEnabled());

        UploadSettings stored;
        stored.FTPEnable = 1;
        stored.FileHost = QStringLiteral("ftp.example.org");
        stored.FileLogin = QStringLiteral("cam");
        stored.FilePassword = QStringLiteral("secret");
        stored.FilePath = QStringLiteral("/pub/");
        stored.FileName = QStringLiteral("cam.jpg");
        stored.FileInterval = -4;
        stored.FileAuto = 1;
        stored.FileQuality = 85;
        Dialog d(stored);
        QCOMPARE(d.text("txtFTPServer")->text(), stored.FileHost);
        QCOMPARE(d.text("txtPassword")->text(), stored.FilePassword);
        QCOMPARE(d.text("txtFileName")->text(), stored.FileName);
        QCOMPARE(d.text("txtInterval")->text(), QStringLiteral("-4"));
        QVERIFY(d.box("chkFTPEnable")->isChecked());
        QVERIFY(d.box("chkAutoUpdate")->isChecked());
        QCOMPARE(d.slider()->value(), 85);
        QVERIFY(d.serverFieldsEnabled());

        // OK without changes hands back what it was given.
        d.click("OKButton");
        QCOMPARE(d.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(d.dialog.settings(), stored);
    }

    void okHandsBackWhatWasTyped()
    {
        Dialog d;
        d.text("txtFTPServer")->setText(QStringLiteral(" ftp.example.org:2121 "));
        d.text("txtLogin")->setText(QStringLiteral("cam"));
        d.text("txtPassword")->setText(QStringLiteral("p w"));
        d.text("txtFilePath")->setText(QStringLiteral("pub"));
        d.text("txtFileName")->setText(QStringLiteral("cam.jpg"));
        d.box("chkFTPEnable")->click();
        d.box("chkAutoUpdate")->click();
        d.text("txtInterval")->setText(QStringLiteral("2.7"));
        d.slider()->setValue(100);
        // A disabled field is taken as it stands.
        d.box("chkFTPEnable")->click();

        d.click("OKButton");
        QCOMPARE(d.dialog.result(), int(QDialog::Accepted));
        const UploadSettings& s = d.dialog.settings();
        QCOMPARE(s.FTPEnable, qint16(0));
        QCOMPARE(s.FileHost, QStringLiteral(" ftp.example.org:2121 "));
        QCOMPARE(s.FileLogin, QStringLiteral("cam"));
        QCOMPARE(s.FilePassword, QStringLiteral("p w"));
        QCOMPARE(s.FilePath, QStringLiteral("pub"));
        QCOMPARE(s.FileName, QStringLiteral("cam.jpg"));
        QCOMPARE(s.FileAuto, qint16(1));
        QCOMPARE(s.FileInterval, qint16(2));
        QCOMPARE(s.FileQuality, qint16(100));
        QVERIFY(d.messages.texts.isEmpty());
    }

    void intervalTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("seconds");
        const int refused = 99999;
        QTest::newRow("whole") << "30" << 30;
        QTest::newRow("fraction counts by its whole part") << "2.7" << 2;
        QTest::newRow("towards minus infinity") << "-0.5" << -1;
        QTest::newRow("blanks around") << " 7 " << 7;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("top of 16 bits") << "32767.9" << 32767;
        QTest::newRow("bottom of 16 bits") << "-32768" << -32768;
        QTest::newRow("empty") << "" << refused;
        QTest::newRow("words") << "soon" << refused;
        QTest::newRow("past 16 bits") << "32768" << refused;
        QTest::newRow("below 16 bits") << "-32768.5" << refused;
        QTest::newRow("group separator") << "1,000" << refused;
        QTest::newRow("infinity") << "inf" << refused;
        QTest::newRow("not a number") << "nan" << refused;
    }
    void intervalTexts()
    {
        QFETCH(QString, text);
        QFETCH(int, seconds);
        const std::optional<qint16> interval = dlgFTP::intervalFrom(text);
        if (seconds == 99999)
            QVERIFY(!interval);
        else
            QCOMPARE(interval, std::optional<qint16>(qint16(seconds)));
    }

    void aBadIntervalKeepsTheDialogOpen()
    {
        UploadSettings stored;
        stored.FileName = QStringLiteral("cam.jpg");
        Dialog d(stored);
        d.text("txtFileName")->setText(QStringLiteral("other.jpg"));
        d.text("txtInterval")->setText(QStringLiteral("40000"));
        d.click("OKButton");
        QCOMPARE(d.messages.texts, QStringList{texts::intervalNotAllowed});
        QCOMPARE(d.dialog.result(), int(QDialog::Rejected));
        QCOMPARE(d.dialog.settings(), stored);

        d.text("txtInterval")->setText(QStringLiteral("5"));
        d.click("OKButton");
        QCOMPARE(d.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(d.dialog.settings().FileName, QStringLiteral("other.jpg"));
    }

    void cancelHandsBackNothing()
    {
        Dialog d;
        d.text("txtFileName")->setText(QStringLiteral("other.jpg"));
        d.click("CancelButton");
        QCOMPARE(d.dialog.result(), int(QDialog::Rejected));
        QCOMPARE(d.dialog.settings(), UploadSettings());
    }
};

QTEST_MAIN(TestDlgFtp)
#include "tst_dlgftp.moc"
