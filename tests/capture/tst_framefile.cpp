// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameFile.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The bitmap of each send replaces only a file of the station's making:
// a link, a FIFO or someone else's file in its place is left as it was.
class TestFrameFile : public QObject
{
    Q_OBJECT
private slots:
    void onlyARegularFileOfYourOwnIsReplaced_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("regular file") << QStringLiteral("file");
        QTest::newRow("link to a file of the user's") << QStringLiteral("link");
        QTest::newRow("fifo") << QStringLiteral("fifo");
        QTest::newRow("another user's file") << QStringLiteral("other");
    }

    void onlyARegularFileOfYourOwnIsReplaced()
    {
        QFETCH(QString, kind);
        if (kind == QLatin1String("other") && ::geteuid() != 0)
            QSKIP("needs a file of someone else");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Picture.bmp"));
        const QString kept =
            kind == QLatin1String("link") ? dir.filePath(QStringLiteral("notes")) : path;
        const QByteArray before = "the user's notes\n";
        if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else {
            QFile file(kept);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
            file.close();
            if (kind == QLatin1String("link"))
                QVERIFY(QFile::link(kept, path));
            if (kind == QLatin1String("other"))
                QCOMPARE(::chown(QFile::encodeName(kept).constData(), 65534, 65534), 0);
        }

        QImage image(8, 4, QImage::Format_RGB888);
        image.fill(Qt::red);
        QString error;
        const bool saved = framefile::saveBitmap(image, path, &error);

        struct stat info = {};
        QCOMPARE(::lstat(QFile::encodeName(path).constData(), &info), 0);
        if (kind == QLatin1String("file")) {
            QVERIFY2(saved, qPrintable(error));
            QCOMPARE(QImage(path).pixelColor(0, 0), QColor(Qt::red));
            return;
        }
        QVERIFY(!saved);
        QCOMPARE(error, QStringLiteral("not a regular file of your own"));
        if (kind == QLatin1String("fifo")) {
            QVERIFY(S_ISFIFO(info.st_mode));
        } else {
            QFile file(kept);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), before);
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(),
                 kind == QLatin1String("link") ? 2 : 1);
    }
};

QTEST_GUILESS_MAIN(TestFrameFile)
#include "tst_framefile.moc"
