// SPDX-License-Identifier: GPL-3.0-or-later
#include "PseudoTerminal.h"
#include "QtSerialPort.h"

#include <QTest>

class TestSerialPort : public QObject
{
    Q_OBJECT
private slots:
    void opensWithTheLineSettings()
    {
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        QtSerialPort port;
        QVERIFY2(port.open(pty.slavePath(), QStringLiteral("9600,N,8,1")),
                 qPrintable(port.errorString()));
        const auto line = pty.lineSettings();
        QCOMPARE(line.baud, 9600);
        QCOMPARE(line.dataBits, 8);
        QVERIFY(!line.parity);
        QVERIFY(!line.twoStopBits);

        QVERIFY(port.write(QByteArray("A57\r")));
        QCOMPARE(pty.read(4), QByteArray("A57\r"));
        port.close();
        QVERIFY(!port.isOpen());
    }

    void badSettingsTextIsRefused()
    {
        PseudoTerminal pty;
        QtSerialPort port;
        for (const char* text :
             {"", "9600", "fast,N,8,1", "9600,X,8,1", "9600,N,9,1", "9600,N,8,3"}) {
            QVERIFY2(!port.open(pty.slavePath(), QLatin1String(text)), text);
            QVERIFY(!port.isOpen());
            QVERIFY(!port.errorString().isEmpty());
        }
    }

    void missingDeviceReportsTheReason()
    {
        QtSerialPort port;
        QVERIFY(!port.open(QStringLiteral("/nonexistent/ttyKivra"), QStringLiteral("9600,N,8,1")));
        QVERIFY(!port.isOpen());
        QVERIFY(!port.errorString().isEmpty());
        QVERIFY(!port.write(QByteArray("A1\r")));
    }
};

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"
