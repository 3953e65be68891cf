// SPDX-License-Identifier: GPL-3.0-or-later
#include "FramePublisher.h"

#include "CaptureDevice.h"
#include "FileTransfer.h"
#include "FrameDresser.h"
#include "FrameFile.h"
#include "ImageCodec.h"
#include "IntervalTimer.h"
#include "LogCategories.h"
#include "SettingsStore.h"
#include "StationPaths.h"
#include "Texts.h"
#include "UploadSettings.h"

#include <QDir>

namespace {

// A JPEG runs from its start marker to its end marker; an encoder that
// stopped early leaves the end missing.
bool isWholeJpeg(const QByteArray& bytes)
{
    return bytes.size() >= 4 && bytes.startsWith("\xFF\xD8") && bytes.endsWith("\xFF\xD9");
}

} // namespace

FramePublisher::FramePublisher(CaptureDevice& capture, ImageCodec& codec, FileTransfer& transfer,
                               UploadSettings& settings, SettingsStore& store,
                               IntervalTimer& autoUpdate, const FrameDresser& dresser,
                               const VisitedPreset& presets, QObject* parent)
    : QObject(parent)
    , m_capture(capture)
    , m_codec(codec)
    , m_transfer(transfer)
    , m_settings(settings)
    , m_store(store)
    , m_autoUpdate(autoUpdate)
    , m_dresser(dresser)
    , m_presets(presets)
{
    setFrameFolder(StationPaths::dataFolder());
    m_fileWriter.setMaxThreadCount(1);
    connect(&m_autoUpdate, &IntervalTimer::timeout, this, &FramePublisher::onAutoUpdateTick);
    connect(&m_transfer, &FileTransfer::TransferStateChanged, this,
            &FramePublisher::onTransferState);
    connect(&m_transfer, &FileTransfer::notice, this, &FramePublisher::status);
}

FramePublisher::~FramePublisher()
{
    m_fileWriter.waitForDone();
}

void FramePublisher::setFrameFolder(const QString& folder)
{
    const QString path = QDir(folder).absolutePath();
    if (path == m_frameFolder)
        return;
    m_frameFolder = path;
    const QDir dir(path);
    m_jpegPath = dir.absoluteFilePath(texts::frameJpegFile);
    m_bitmapPath = dir.absoluteFilePath(texts::frameBitmapFile);
    qCInfo(kivraPublish, "frames are written to %s", qPrintable(m_frameFolder));
}

void FramePublisher::SendFrame()
{
    emit sendFrameEnabled(false);
    // Asked once, so the caption and the remote name name the same preset.
    const std::optional<PresetVisit> preset = m_presets.visitedPreset();
    QImage frame;
    const QByteArray jpeg = ConvertFrame(preset, &frame);
    if (jpeg.isEmpty()) {
        // Nothing was sent, so no transfer's end will give the button back;
        // a transfer still running will.
        if (!m_transfer.IsBusy())
            restoreSendButton();
        // A snap holds the preview still; a failed run must not leave the
        // operator looking at a frozen picture.
        m_capture.setLivePreview(true);
        return;
    }
    UploadFrame(jpeg, preset);
    // Last, so the upload is under way before another thread wakes.
    writeFilesLater(jpeg, frame);
}

QByteArray FramePublisher::ConvertFrame(const std::optional<PresetVisit>& preset, QImage* grabbed)
{
    // The caption reads the local time from the moment itself.
    const QDateTime snappedAt = QDateTime::currentDateTimeUtc();
    const QImage frame = m_capture.snapFrame() ? m_capture.snappedFrame() : QImage();
    if (frame.isNull()) {
        emit status(texts::uploadSkippedNoPicture);
        return {};
    }
    const QByteArray jpeg =
        m_codec.encodeJpeg(m_dresser(frame, snappedAt, preset), m_settings.FileQuality);
    if (jpeg.isEmpty()) {
        emit status(texts::saveJpegError + QString::number(m_codec.lastError()));
        return {};
    }
    const QString& jpegPath = m_jpegPath;
    // A broken JPEG is neither kept nor published; the one of an earlier
    // run stays.
    if (!isWholeJpeg(jpeg)) {
        emit status(
            texts::frameNotWritten.arg(QDir::toNativeSeparators(jpegPath), texts::frameCutShort));
        return {};
    }
    emit status(texts::createdPrefix + QDir::toNativeSeparators(jpegPath));
    *grabbed = frame;
    return jpeg;
}

// The files are what the run leaves behind, not what it publishes, so the
// window's thread and the upload never wait for them.
void FramePublisher::writeFilesLater(const QByteArray& jpeg, const QImage& frame)
{
    const QString jpegPath = m_jpegPath;
    const QString bitmapPath = m_bitmapPath;
    const quint64 generation = ++m_filesAsked;
    m_fileWriter.start([this, jpeg, frame, jpegPath, bitmapPath, generation] {
        // A newer frame is on its way to the same files: these would be
        // overwritten at once.
        if (generation != m_filesAsked)
            return;
        QString reason;
        if (!framefile::replaceFile(jpegPath, jpeg, &reason))
            reportUnwritten(jpegPath, reason);
        if (!framefile::saveBitmap(frame.convertToFormat(QImage::Format_RGB888), bitmapPath,
                                   &reason))
            reportUnwritten(bitmapPath, reason);
    });
}

void FramePublisher::reportUnwritten(const QString& path, const QString& reason)
{
    QMetaObject::invokeMethod(
        this,
        [this, path, reason] {
            emit status(texts::frameNotWritten.arg(QDir::toNativeSeparators(path), reason));
        },
        Qt::QueuedConnection);
}

bool FramePublisher::waitForFiles(std::chrono::milliseconds limit)
{
    return m_fileWriter.waitForDone(int(limit.count()));
}

QString FramePublisher::remoteName(const std::optional<PresetVisit>& preset) const
{
    QString name = m_settings.FileName;
    if (preset && !preset->fileName.isEmpty())
        name = preset->fileName;
    return m_settings.FilePath + name;
}

void FramePublisher::UploadFrame(const QByteArray& jpeg, const std::optional<PresetVisit>& preset)
{
    emit status(texts::uploadingPicture);
    if (m_transfer.IsBusy()) {
        // The running transfer holds its own bytes, so this frame does not
        // disturb it; it is not sent.
        emit status(texts::uploadSkipped);
    } else {
        m_transfer.send({jpeg, QDir::toNativeSeparators(m_jpegPath), remoteName(preset), {}});
        emit status(texts::transferredPrefix + QString::number(jpeg.size()) +
                    texts::transferredSuffix);
        emit published(jpeg);
    }
    m_capture.setLivePreview(true);
}

void FramePublisher::onAutoUpdateTick()
{
    if (!m_automaticHeld)
        sendAutomatic();
}

void FramePublisher::sendAutomatic()
{
    if (m_transfer.IsBusy())
        return;
    SendFrame();
}

void FramePublisher::onTransferState(int state)
{
    if (state == FileTransfer::Failed) {
        emit status(texts::uploadFailedPrefix + m_transfer.errorText());
        restoreSendButton();
    } else if (state == FileTransfer::ResponseCompleted) {
        restoreSendButton();
    }
}

void FramePublisher::restoreSendButton()
{
    emit sendFrameEnabled(m_settings.FTPEnable != 0);
}

void FramePublisher::applyCredentials()
{
    m_transfer.setServerName(m_settings.FileHost);
    m_transfer.setLoginPassword(m_settings.FilePassword);
    m_transfer.setLoginName(m_settings.FileLogin);
}

void FramePublisher::ApplyFtpSettings(const UploadSettings& chosen)
{
    m_settings = chosen;
    emit sendFrameEnabled(chosen.FTPEnable != 0);
    applyCredentials();

    storeUploadSettings(m_settings, m_store);
    QString reason;
    if (!m_store.flush(&reason))
        emit status(texts::settingsNotSavedPrefix + reason);

    if (chosen.FileAuto == 1) {
        // Below one second the timer keeps whatever it had.
        if (chosen.FileInterval >= 1) {
            m_autoUpdate.setInterval(std::chrono::seconds(chosen.FileInterval));
            m_autoUpdate.setEnabled(true);
        }
    } else {
        m_autoUpdate.setEnabled(false);
    }
}
