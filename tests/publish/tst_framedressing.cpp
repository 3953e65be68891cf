// SPDX-License-Identifier: GPL-3.0-or-later
#include "CurlFileTransfer.h"
#include "FakeCaptureDevice.h"
#include "FakeFileTransfer.h"
#include "FrameDresser.h"
#include "FramePublisher.h"
#include "FrameScaling.h"
#include "FrameSettings.h"
#include "FtpTestServer.h"
#include "IntervalTimer.h"
#include "MemorySettingsStore.h"
#include "QuadrantFrame.h"
#include "TurboJpegCodec.h"
#include "UploadSettings.h"

#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A publisher whose frames are dressed as its store says, or as a store
// without a "Frame" section says, which is not at all.
struct Rig final : VisitedPreset
{
    Rig(ImageCodec& codec, FileTransfer& transfer, bool dressed = true)
        : dresser(dressed ? store : noFrameSection)
        , publisher(capture, codec, transfer, settings, store, timer2, dresser, *this)
    {
        publisher.setFrameFolder(folder.path());
        capture.frame = quadrantframe::make(QSize(320, 240));
        settings.FileName = QStringLiteral("cam.jpg");
        settings.FileQuality = 90;
    }
    std::optional<PresetVisit> visitedPreset() const override { return preset; }
    void frame(const QString& key, const QString& value) { store.set("Frame", key, value); }
    QByteArray jpeg()
    {
        publisher.waitForFiles(std::chrono::seconds(30));
        return contents(folder.filePath(QStringLiteral("Picture.jpg")));
    }

    QTemporaryDir folder;
    FakeCaptureDevice capture{QStringList{QStringLiteral("Cam")}};
    UploadSettings settings;
    MemorySettingsStore store;
    IntervalTimer timer2;
    std::optional<PresetVisit> preset;
    MemorySettingsStore noFrameSection;
    FrameDresser dresser;
    FramePublisher publisher;
};

} // namespace

class TestFrameDressing : public QObject
{
    Q_OBJECT
private slots:
    void theServerGetsTheAskedSizeAndOrientation()
    {
        FtpTestServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        TurboJpegCodec codec;
        CurlFileTransfer transfer;
        Rig rig(codec, transfer);
        rig.settings.FileHost = server.address();
        rig.settings.FileLogin = server.user();
        rig.settings.FilePassword = server.password();
        rig.publisher.applyCredentials();
        QSignalSpy ends(&transfer, &FileTransfer::TransferStateChanged);

        struct Case
        {
            const char* width;
            const char* rotate;
            const char* mirror;
            QSize size;
            const char* corners;
        };
        // The grabbed frame reads "RGBY": red top left, green top right,
        // blue bottom left, yellow bottom right.
        const Case cases[] = {
            {"160", "180", "False", QSize(160, 120), "YBGR"},
            {"0", "90", "True", QSize(240, 320), "RBGY"},
            // Never larger than grabbed; -90 is a quarter turn to the left.
            {"4000", "-90", "0", QSize(240, 320), "GYRB"},
            {"100", "0", "1", QSize(100, 75), "GRYB"},
            {"200", "180", "True", QSize(200, 150), "BYRG"},
        };
        for (const Case& c : cases) {
            rig.frame(QStringLiteral("Width"), QLatin1String(c.width));
            rig.frame(QStringLiteral("Rotate"), QLatin1String(c.rotate));
            rig.frame(QStringLiteral("Mirror"), QLatin1String(c.mirror));
            const qsizetype before = ends.size();
            rig.publisher.SendFrame();
            QTRY_VERIFY_WITH_TIMEOUT(ends.size() > before, 60000);
            QCOMPARE(ends.last().at(0).toInt(), int(FileTransfer::ResponseCompleted));
            const QImage published =
                QImage::fromData(server.file(QStringLiteral("cam.jpg")), "JPG");
            QCOMPARE(published.size(), c.size);
            QCOMPARE(quadrantframe::corners(published), QLatin1String(c.corners));
        }
    }

    // The band lies at the asked edge of the picture as published, the
    // caption upright in it, and nothing outside it changes.
    void theCaptionChangesItsBandAndNothingElse()
    {
        const QImage frame = quadrantframe::make(QSize(1280, 720));
        for (const bool turned : {false, true}) {
            for (const auto position :
                 {FrameDressing::Position::Top, FrameDressing::Position::Bottom}) {
                for (const bool band : {true, false}) {
                    FrameDressing plain;
                    if (turned) {
                        plain.Width = 640;
                        plain.Rotate = 180;
                    }
                    FrameDressing captioned = plain;
                    captioned.Caption = QStringLiteral("Harbour %H:%M");
                    captioned.CaptionPosition = position;
                    captioned.CaptionSize = 24;
                    if (!band)
                        captioned.BandColor = Qt::transparent;
                    const QImage without = FrameDresser::toImage(
                        FrameDresser::dress(FrameDresser::toPixels(frame), plain, {}));
                    const QImage with = FrameDresser::toImage(FrameDresser::dress(
                        FrameDresser::toPixels(frame), captioned, QStringLiteral("Harbour 07:08")));
                    QCOMPARE(with.size(), without.size());

                    const QRect bandRect = FrameDresser::bandRect(with.size(), captioned);
                    QCOMPARE(bandRect.height(), 36);
                    QCOMPARE(bandRect.top() == 0, position == FrameDressing::Position::Top);
                    int changed = 0, white = 0, black = 0;
                    for (int y = 0; y < with.height(); ++y) {
                        const bool inBand = bandRect.contains(0, y);
                        if (!inBand) {
                            QVERIFY2(std::memcmp(with.constScanLine(y), without.constScanLine(y),
                                                 size_t(with.width() * 3)) == 0,
                                     qPrintable(QStringLiteral("row %1 changed").arg(y)));
                            continue;
                        }
                        for (int x = 0; x < with.width(); ++x) {
                            const QRgb p = with.pixel(x, y);
                            changed += p != without.pixel(x, y);
                            if (p == qRgb(255, 255, 255)) {
                                ++white;
                                // Left-aligned in the picture as published.
                                QVERIFY(x < with.width() / 2);
                            }
                            black += p == qRgb(0, 0, 0);
                        }
                    }
                    // Text is drawn in white on the band, or on the picture.
                    QVERIFY(white > 50);
                    if (band) {
                        QVERIFY(black > bandRect.width() * bandRect.height() / 2);
                        QCOMPARE(changed, bandRect.width() * bandRect.height());
                    } else {
                        QCOMPARE(black, 0);
                        QVERIFY(changed > 50 && changed < bandRect.width() * bandRect.height() / 4);
                    }
                }
            }
        }
    }

    // Each published pixel is the average of the area it covers, as a
    // general image scaler makes it.
    void scalingAveragesTheCoveredArea()
    {
        QImage noise(1920, 1080, QImage::Format_RGB888);
        QRandomGenerator rng(7);
        for (int y = 0; y < noise.height(); ++y)
            for (int i = 0; i < noise.width() * 3; ++i)
                noise.scanLine(y)[i] = uchar(rng.bounded(256));
        for (const QSize size :
             {QSize(1280, 720), QSize(640, 360), QSize(1920, 77), QSize(17, 9)}) {
            const QImage ours =
                FrameDresser::toImage(framescaling::scaleDown(FrameDresser::toPixels(noise), size));
            const QImage reference =
                noise.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .convertToFormat(QImage::Format_RGB888);
            QCOMPARE(ours.size(), size);
            int worst = 0;
            for (int y = 0; y < size.height(); ++y)
                for (int i = 0; i < size.width() * 3; ++i)
                    worst =
                        qMax(worst, qAbs(ours.constScanLine(y)[i] - reference.constScanLine(y)[i]));
            // Rounding apart: weights in 256ths here, finer there.
            QVERIFY2(worst <= 4, qPrintable(QStringLiteral("%1 x %2: %3 off")
                                                .arg(size.width())
                                                .arg(size.height())
                                                .arg(worst)));
        }
    }

    void captionFields()
    {
        const QDateTime snap(QDate(2024, 3, 5), QTime(7, 8, 9));
        const PresetVisit door{3, QStringLiteral("door.jpg")};
        const struct
        {
            const char* caption;
            std::optional<PresetVisit> preset;
            const char* text;
        } cases[] = {
            {"Harbour %Y-%m-%d %H:%M", std::nullopt, "Harbour 2024-03-05 07:08"},
            {"{preset}: {name} %H:%M:%S", door, "3: door 07:08:09"},
            {"[{preset}{name}] 100%%", std::nullopt, "[] 100%"},
            // A name is inserted as it is, never read for fields again.
            {"{name}/{preset}", PresetVisit{12, QStringLiteral("50%Y{preset}.tar.gz")},
             "50%Y{preset}.tar/12"},
            {"{name}", PresetVisit{1, QStringLiteral(".cam")}, ".cam"},
            {"{name}", PresetVisit{1, QStringLiteral("v1.2/cam")}, "v1.2/cam"},
            {"{name} {Name} {preset", PresetVisit{2, QString()}, " {Name} {preset"},
        };
        for (const auto& c : cases)
            QCOMPARE(FrameDresser::captionText(QString::fromUtf8(c.caption), snap, c.preset),
                     QString::fromUtf8(c.text));
    }

    void damagedValuesFallBackAndDefaultsLeaveTheFrameAsGrabbed()
    {
        MemorySettingsStore damaged;
        const QList<std::pair<const char*, QStringList>> bad = {
            {"CaptionPosition", {"Middle", ""}},
            {"CaptionSize", {"big", "3", "513", "1e9"}},
            {"CaptionColor", {"#12", "nocolour"}},
            {"BandColor", {"#1234567", "rgb(1,2,3"}},
            {"Width", {"-1", "wide", "16385", "nan"}},
            {"Rotate", {"45", "up", "1e300"}},
            {"Mirror", {"maybe", "inf"}},
        };
        for (const auto& [key, texts] : bad) {
            for (const QString& text : texts) {
                MemorySettingsStore store;
                store.set("Frame", QLatin1String(key), text);
                QVERIFY2(readFrameDressing(store) == FrameDressing(),
                         qPrintable(QLatin1String(key) + '=' + text));
                damaged.set("Frame", QLatin1String(key), text);
            }
        }

        MemorySettingsStore good;
        for (const auto& [key, text] :
             QList<std::pair<const char*, const char*>>{{"Caption", " %H {name} "},
                                                        {"CaptionPosition", "top"},
                                                        {"CaptionSize", " 40 "},
                                                        {"CaptionColor", "yellow"},
                                                        {"BandColor", "#80102030"},
                                                        {"Width", "640.4"},
                                                        {"Rotate", "450"},
                                                        {"Mirror", "-1"}})
            good.set("Frame", QLatin1String(key), QLatin1String(text));
        const FrameDressing read = readFrameDressing(good);
        QCOMPARE(read.Caption, QStringLiteral(" %H {name} "));
        QCOMPARE(read.CaptionPosition, FrameDressing::Position::Top);
        QCOMPARE(read.CaptionSize, 40);
        QCOMPARE(read.CaptionColor, QColor(Qt::yellow));
        QCOMPARE(read.BandColor, QColor(0x10, 0x20, 0x30, 0x80));
        QCOMPARE(read.Width, 640);
        QCOMPARE(read.Rotate, 90);
        QVERIFY(read.Mirror);
        MemorySettingsStore written;
        storeFrameDressing(read, written);
        QCOMPARE(readFrameDressing(written), read);

        // The station as it always published, without any dressing, and
        // what an unset section, the defaults, damaged values and a width
        // that changes nothing publish: the same bytes.
        const auto publish = [](const MemorySettingsStore* frameSection) {
            TurboJpegCodec codec;
            FakeFileTransfer transfer;
            Rig rig(codec, transfer, frameSection != nullptr);
            if (frameSection)
                rig.store.values = frameSection->values;
            rig.publisher.SendFrame();
            return rig.jpeg();
        };
        const QByteArray asGrabbed = publish(nullptr);
        QVERIFY(!asGrabbed.isEmpty());
        MemorySettingsStore unset, defaults, ownWidth;
        storeFrameDressing(FrameDressing(), defaults);
        ownWidth.set("Frame", "Width", "320");
        for (const MemorySettingsStore* store : {&unset, &defaults, &damaged, &ownWidth})
            QCOMPARE(publish(store), asGrabbed);
    }
};

QTEST_MAIN(TestFrameDressing)
#include "tst_framedressing.moc"
