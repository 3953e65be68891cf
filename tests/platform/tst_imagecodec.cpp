#include "TurboJpegCodec.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

QImage picture()
{
    QImage image(64, 48, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, x < 32 ? QColor(200, 30, 30) : QColor(20, 40, 220));
    return image;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

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
        QVERIFY(picture().save(bmp, "BMP"));

        TurboJpegCodec codec;
        const PixelBuffer pixels = codec.readBitmap(bmp);
        QVERIFY(pixels);
        QCOMPARE(pixels.width(), 64);
        QCOMPARE(pixels.height(), 48);
        // Top row first, RGB order.
        QCOMPARE(pixels.pixels()[0], 200);
        QCOMPARE(pixels.pixels()[63 * 3 + 2], 220);

        QVERIFY(writeFile(jpg, "old"));
        QVERIFY(codec.writeJpeg(jpg, pixels, 90));
        QCOMPARE(codec.lastError(), int(ImageCodec::NoError));
        const QImage decoded(jpg, "JPG");
        QCOMPARE(decoded.size(), QSize(64, 48));
        QVERIFY(qAbs(decoded.pixelColor(5, 5).red() - 200) < 12);
        QVERIFY(qAbs(decoded.pixelColor(60, 40).blue() - 220) < 12);
        // Only the two files: no temporary left behind.
        QCOMPARE(QDir(dir.filePath(QStringLiteral("web cam"))).entryList(QDir::Files).size(), 2);
    }

    void failuresHaveTheirNumbers()
    {
        QTemporaryDir dir;
        TurboJpegCodec codec;

        QVERIFY(!codec.readBitmap(dir.filePath(QStringLiteral("missing.bmp"))));
        QCOMPARE(codec.lastError(), int(ImageCodec::CannotOpenFile));

        const QString garbage = dir.filePath(QStringLiteral("garbage.bmp"));
        QVERIFY(writeFile(garbage, QByteArray(500, 'g')));
        QVERIFY(!codec.readBitmap(garbage));
        QCOMPARE(codec.lastError(), int(ImageCodec::NotABitmap));

        const QString bmp = dir.filePath(QStringLiteral("Picture.bmp"));
        QVERIFY(picture().save(bmp, "BMP"));
        const PixelBuffer pixels = codec.readBitmap(bmp);
        QVERIFY(pixels);
        const QString jpg = dir.filePath(QStringLiteral("Picture.jpg"));
        for (int quality : {0, 101}) {
            QVERIFY(!codec.writeJpeg(jpg, pixels, quality));
            QCOMPARE(codec.lastError(), int(ImageCodec::BadArgument));
        }
        QVERIFY(!codec.writeJpeg(jpg, PixelBuffer(), 30));
        QCOMPARE(codec.lastError(), int(ImageCodec::BadArgument));
        QVERIFY(!QFile::exists(jpg));

        QVERIFY(!codec.writeJpeg(dir.filePath(QStringLiteral("no such folder/Picture.jpg")), pixels,
                                 30));
        QCOMPARE(codec.lastError(), int(ImageCodec::CannotWriteFile));
    }
};

QTEST_GUILESS_MAIN(TestImageCodec)
#include "tst_imagecodec.moc"
