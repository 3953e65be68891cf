// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchFigure.h"
#include "TestPatternSource.h"
#include "TurboJpegCodec.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <turbojpeg.h>

#include <cstdio>

// A frame's conversion as the station does it (the bitmap read back, the
// JPEG written at quality 30 and put in place) against bare TurboJPEG doing
// the same work with the same settings. In a folder on disk, not in /tmp,
// which may live in memory.
namespace {

constexpr int quality = 30;

// The test pattern with a camera's sensor noise on it, as a bitmap file.
bool makeBitmap(const QString& path, QSize size)
{
    TestPatternSource source;
    source.setResolution(size);
    QImage image = source.render(0).convertToFormat(QImage::Format_RGB888);
    QRandomGenerator rng(size.width());
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < image.width() * 3; ++x)
            line[x] = uchar(qBound(0, int(line[x]) + int(rng.bounded(17)) - 8, 255));
    }
    return image.save(path, "BMP");
}

double stationMs(TurboJpegCodec& codec, const QString& bitmap, const QString& jpeg)
{
    QElapsedTimer clock;
    clock.start();
    const PixelBuffer pixels = codec.readBitmap(bitmap);
    if (!pixels || !codec.writeJpeg(jpeg, pixels, quality))
        std::fprintf(stderr, "conversion failed: %d\n", codec.lastError());
    return double(clock.nsecsElapsed()) / 1e6;
}

double bareMs(const QString& bitmap, const QString& jpeg)
{
    QElapsedTimer clock;
    clock.start();
    int width = 0;
    int height = 0;
    int format = TJPF_RGB;
    unsigned char* pixels =
        tjLoadImage(QFile::encodeName(bitmap).constData(), &width, 1, &height, &format, 0);
    tjhandle compressor = tjInitCompress();
    unsigned char* encoded = nullptr;
    unsigned long size = 0;
    tjCompress2(compressor, pixels, width, 0, height, TJPF_RGB, &encoded, &size, TJSAMP_420,
                quality, TJFLAG_ACCURATEDCT);
    FILE* file = std::fopen(QFile::encodeName(jpeg).constData(), "wb");
    std::fwrite(encoded, 1, size, file);
    std::fclose(file);
    tjFree(encoded);
    tjDestroy(compressor);
    tjFree(pixels);
    return double(clock.nsecsElapsed()) / 1e6;
}

bool conversion(const QTemporaryDir& dir, QSize size, int rounds)
{
    const QString bitmap = dir.filePath(QStringLiteral("Picture.bmp"));
    if (!makeBitmap(bitmap, size))
        return false;
    TurboJpegCodec codec;
    const QString ours = dir.filePath(QStringLiteral("Picture.jpg"));
    const QString theirs = dir.filePath(QStringLiteral("bare.jpg"));
    stationMs(codec, bitmap, ours);
    bareMs(bitmap, theirs);
    std::vector<double> station;
    std::vector<double> bare;
    for (int i = 0; i < rounds; ++i) {
        // Each goes first every other round: the one after finds the other's
        // memory in the cache.
        if (i % 2 == 0) {
            station.push_back(stationMs(codec, bitmap, ours));
            bare.push_back(bareMs(bitmap, theirs));
        } else {
            bare.push_back(bareMs(bitmap, theirs));
            station.push_back(stationMs(codec, bitmap, ours));
        }
    }
    const double ratio = medianRatio(station, bare);
    return BenchFigure{QStringLiteral("conversion %1x%2 q30, median of %3")
                           .arg(size.width())
                           .arg(size.height())
                           .arg(rounds),
                       median(station),
                       QStringLiteral("bare TurboJPEG"),
                       median(bare),
                       QStringLiteral("ms"),
                       QStringLiteral("<= 1.10x"),
                       ratio <= 1.10,
                       ratio}
        .print();
}

} // namespace

int main(int argc, char** argv)
{
    // The test pattern draws text, which needs fonts but no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir(QDir::current().filePath(QStringLiteral("conversion-XXXXXX")));
    bool met = dir.isValid();
    met = conversion(dir, QSize(640, 480), 301) && met;
    met = conversion(dir, QSize(1920, 1080), 61) && met;
    return met ? 0 : 1;
}
