// SPDX-License-Identifier: GPL-3.0-or-later
#include "QuadrantFrame.h"
#include "TurboJpegCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

class TestImageCodec : public QObject
{
    Q_OBJECT
private slots:
    void bitmapBecomesJpegInAFolderWithBlanks()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("web cam")));
        const QString bmp = dir.filePath(QStringLiteral("web cam/Picture.bmp"));
        const QString jpg = dir.filePath(QStringLiteral("web cam/Picture.jpg"));
        QImage picture(64, 48, QImage::Format_RGB888);
        picture.fill(QColor(20, 40, 220));
        picture.setPixelColor(0, 0, QColor(200, 30, 30));
        QVERIFY(picture.save(bmp, "BMP"));

        TurboJpegCodec codec;
        const PixelBuffer pixels = codec.readBitmap(bmp);
        QVERIFY(pixels);
        QCOMPARE(QSize(pixels.width(), pixels.height()), QSize(64, 48));
        // Top row first, in RGB order.
        QCOMPARE(pixels.pixels()[0], 200);
        QCOMPARE(pixels.pixels()[3 + 2], 220);

        QVERIFY(codec.writeJpeg(jpg, pixels, 90));
        QCOMPARE(QImage(jpg, "JPG").size(), QSize(64, 48));
        // The next frame replaces the file rather than rewriting it: a
        // reader (an upload, a web server) that has it open reads the old
        // one to its end.
        QFile copy(jpg);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        const QByteArray old = copy.readAll();
        QFile reader(jpg);
        QVERIFY(reader.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        QVERIFY(codec.writeJpeg(jpg, pixels, 10));
        QCOMPARE(reader.readAll(), old);
        QVERIFY(QFileInfo(jpg).size() != old.size());
        // No temporary file is left beside the two.
        QCOMPARE(QDir(dir.filePath(QStringLiteral("web cam"))).entryList(QDir::Files).size(), 2);
    }

    void failuresHaveTheirNumbers()
    {
        QTemporaryDir dir;
        TurboJpegCodec codec;
        QVERIFY(!codec.readBitmap(dir.filePath(QStringLiteral("missing.bmp"))));
        QCOMPARE(codec.lastError(), int(ImageCodec::CannotOpenFile));

        const QString garbage = dir.filePath(QStringLiteral("garbage.bmp"));
        QFile file(garbage);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(500, 'g')) == 500);
        file.close();
        QVERIFY(!codec.readBitmap(garbage));
        QCOMPARE(codec.lastError(), int(ImageCodec::NotABitmap));

        const QString bmp = dir.filePath(QStringLiteral("Picture.bmp"));
        QImage picture(8, 8, QImage::Format_RGB888);
        picture.fill(Qt::gray);
        QVERIFY(picture.save(bmp, "BMP"));
        const PixelBuffer pixels = codec.readBitmap(bmp);
        const QString jpg = dir.filePath(QStringLiteral("Picture.jpg"));
        for (int quality : {0, 101}) {
            QVERIFY(!codec.writeJpeg(jpg, pixels, quality));
            QCOMPARE(codec.lastError(), int(ImageCodec::BadArgument));
        }
        QVERIFY(!QFile::exists(jpg));
        QVERIFY(!codec.writeJpeg(dir.filePath(QStringLiteral("gone/Picture.jpg")), pixels, 30));
        QCOMPARE(codec.lastError(), int(ImageCodec::CannotWriteFile));
    }

    // Frames come in the layouts cameras deliver; each is read where it
    // lies, in its own byte order, or converted, never read as another.
    void framesInMemoryEncodeInEveryLayout()
    {
        TurboJpegCodec codec;
        // 63 pixels of 3 bytes: rows padded to 192 bytes in memory.
        const QImage frame = quadrantframe::make(QSize(63, 47));
        for (const QImage::Format format :
             {QImage::Format_RGB888, QImage::Format_RGB32, QImage::Format_ARGB32,
              QImage::Format_ARGB32_Premultiplied, QImage::Format_BGR888}) {
            const QByteArray jpeg = codec.encodeJpeg(frame.convertToFormat(format), 90);
            QVERIFY2(jpeg.startsWith("\xFF\xD8") && jpeg.endsWith("\xFF\xD9"),
                     qPrintable(QString::number(format)));
            QCOMPARE(quadrantframe::corners(QImage::fromData(jpeg, "JPG")), QStringLiteral("RGBY"));
        }
        QVERIFY(codec.encodeJpeg(frame, 0).isEmpty());
        QCOMPARE(codec.lastError(), int(ImageCodec::BadArgument));
        QVERIFY(codec.encodeJpeg(QImage(), 30).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestImageCodec)
#include "tst_imagecodec.moc"
