// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestPatternSource.h"
#include "TurboJpegCodec.h"

#include <QFileInfo>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

// Every send converts a frame on the user-interface thread: the bitmap is
// read back and written as a JPEG. This measures one conversion of a
// 640 x 480 test-pattern frame at the qualities the dialog offers, and
// prints the JPEG sizes they give.
class BenchFrameConversion : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_bitmap;
    QSet<int> m_reported;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_bitmap = m_dir.filePath(QStringLiteral("Picture.bmp"));
        TestPatternSource source;
        QVERIFY(source.render(0).convertToFormat(QImage::Format_RGB888).save(m_bitmap, "BMP"));
    }

    void readBitmap()
    {
        TurboJpegCodec codec;
        QBENCHMARK
        {
            const PixelBuffer pixels = codec.readBitmap(m_bitmap);
            QVERIFY(pixels);
        }
    }

    void writeJpeg_data()
    {
        QTest::addColumn<int>("quality");
        QTest::newRow("quality 1") << 1;
        QTest::newRow("quality 30") << 30;
        QTest::newRow("quality 100") << 100;
    }
    void writeJpeg()
    {
        QFETCH(int, quality);
        TurboJpegCodec codec;
        const PixelBuffer pixels = codec.readBitmap(m_bitmap);
        QVERIFY(pixels);
        const QString jpeg = m_dir.filePath(QStringLiteral("Picture.jpg"));
        QBENCHMARK
        {
            QVERIFY(codec.writeJpeg(jpeg, pixels, quality));
        }
        // The benchmark runs this function several times; report each size once.
        if (!m_reported.contains(quality)) {
            m_reported.insert(quality);
            qInfo("JPEG at quality %d: %lld bytes", quality, QFileInfo(jpeg).size());
        }
    }
};

QTEST_MAIN(BenchFrameConversion)
#include "bench_frameconversion.moc"
