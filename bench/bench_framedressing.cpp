// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameDresser.h"
#include "TestPatternSource.h"
#include "TurboJpegCodec.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <vector>

// Dressing runs inside every send's conversion, on the user-interface
// thread. This converts one 1920 x 1080 test-pattern frame plain and
// dressed (a caption band with the time, scaled to 1280 wide), turn about
// in the same run, and prints the median times and their ratio; the
// dressed conversion should take at most 1.2 times the plain one.
class BenchFrameDressing : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_bitmap;
    QString m_jpeg;

    double median(std::vector<double> values)
    {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    }

    // Milliseconds for one conversion: read the bitmap, dress it when
    // asked, write the JPEG at the quality a fresh station uses.
    double convert(TurboJpegCodec& codec, const FrameDressing* dressing, double* dressingMs)
    {
        QElapsedTimer clock;
        clock.start();
        PixelBuffer pixels = codec.readBitmap(m_bitmap);
        if (dressing) {
            QElapsedTimer dressClock;
            dressClock.start();
            const QString text =
                FrameDresser::captionText(dressing->Caption, QDateTime::currentDateTime(), {});
            pixels = FrameDresser::dress(std::move(pixels), *dressing, text);
            *dressingMs = double(dressClock.nsecsElapsed()) / 1e6;
        }
        if (!codec.writeJpeg(m_jpeg, pixels, 30))
            qFatal("the JPEG could not be written");
        return double(clock.nsecsElapsed()) / 1e6;
    }

    void compare(const char* what, const FrameDressing& dressing)
    {
        TurboJpegCodec codec;
        std::vector<double> plain, dressed, dressingAlone;
        double unused = 0;
        convert(codec, nullptr, &unused); // warms the caches and the font
        convert(codec, &dressing, &unused);
        for (int round = 0; round < 21; ++round) {
            double dressingMs = 0;
            plain.push_back(convert(codec, nullptr, &unused));
            dressed.push_back(convert(codec, &dressing, &dressingMs));
            dressingAlone.push_back(dressingMs);
        }
        const double ratio = median(dressed) / median(plain);
        qInfo("%s: plain %.1f ms, dressed %.1f ms (the dressing itself %.1f ms); "
              "dressed / plain = %.2f, %s the limit of 1.20",
              what, median(plain), median(dressed), median(dressingAlone), ratio,
              ratio <= 1.2 ? "within" : "OVER");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_bitmap = m_dir.filePath(QStringLiteral("Picture.bmp"));
        m_jpeg = m_dir.filePath(QStringLiteral("Picture.jpg"));
        TestPatternSource source;
        source.setResolution(QSize(1920, 1080));
        QVERIFY(source.render(0).convertToFormat(QImage::Format_RGB888).save(m_bitmap, "BMP"));
    }

    void captionAndWidth()
    {
        FrameDressing dressing;
        dressing.Caption = QStringLiteral("Harbour %Y-%m-%d %H:%M:%S");
        dressing.CaptionSize = 24;
        dressing.Width = 1280;
        compare("caption, 1280 wide", dressing);
    }

    void captionWidthAndTurn()
    {
        FrameDressing dressing;
        dressing.Caption = QStringLiteral("Harbour %Y-%m-%d %H:%M:%S");
        dressing.CaptionSize = 24;
        dressing.Width = 1280;
        dressing.Rotate = 180;
        dressing.Mirror = true;
        compare("caption, 1280 wide, turned and mirrored", dressing);
    }

    void captionOnly()
    {
        FrameDressing dressing;
        dressing.Caption = QStringLiteral("Harbour %Y-%m-%d %H:%M:%S");
        dressing.CaptionSize = 24;
        compare("caption on the frame as grabbed", dressing);
    }
};

QTEST_MAIN(BenchFrameDressing)
#include "bench_framedressing.moc"
