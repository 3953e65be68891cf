#include "FramePublisher.h"

#include "CaptureDevice.h"
#include "FileTransfer.h"
#include "ImageCodec.h"
#include "IntervalTimer.h"
#include "LogCategories.h"
#include "SettingsStore.h"
#include "Texts.h"
#include "UploadSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#include <cerrno>

namespace {

// A JPEG file runs from its start marker to its end marker; a disk that
// filled up, or a write that failed unnoticed, leaves the end missing.
bool isWholeJpeg(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 4)
        return false;
    const QByteArray start = file.read(2);
    return file.seek(file.size() - 2) && start == "\xFF\xD8" && file.read(2) == "\xFF\xD9";
}

// The library does not pass on the system's reason; asking the file system
// again finds it: a folder or file that refuses a new file says why, and a
// disk that filled up shows no room left.
QString whyNotWritten(const QString& path)
{
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly))
        return probe.errorString();
    probe.cancelWriting();
    constexpr qint64 nearlyFull = 64 * 1024;
    const QStorageInfo storage(QFileInfo(path).absolutePath());
    if (storage.isValid() && storage.bytesAvailable() < nearlyFull)
        return qt_error_string(ENOSPC);
    return texts::frameCutShort;
}

} // namespace

FramePublisher::FramePublisher(CaptureDevice& capture, ImageCodec& codec, FileTransfer& transfer,
                               UploadSettings& settings, SettingsStore& store,
                               IntervalTimer& autoUpdate, Station station, QObject* parent)
    : QObject(parent)
    , m_capture(capture)
    , m_codec(codec)
    , m_transfer(transfer)
    , m_settings(settings)
    , m_store(store)
    , m_autoUpdate(autoUpdate)
    , m_station(std::move(station))
{
    connect(&m_autoUpdate, &IntervalTimer::timeout, this, &FramePublisher::onAutoUpdateTick);
    connect(&m_transfer, &FileTransfer::TransferStateChanged, this,
            &FramePublisher::onTransferState);
    connect(&m_transfer, &FileTransfer::notice, this, &FramePublisher::status);
}

void FramePublisher::SendFrame()
{
    const QDir folder(m_station.frameFolder ? m_station.frameFolder() : QString());
    if (folder.absolutePath() != m_frameFolder) {
        m_frameFolder = folder.absolutePath();
        qCInfo(kivraPublish, "frames are written to %s", qPrintable(m_frameFolder));
    }
    const QString bitmapPath = folder.absoluteFilePath(texts::frameBitmapFile);
    const QString jpegPath = folder.absoluteFilePath(texts::frameJpegFile);

    emit sendFrameEnabled(false);
    if (!ConvertFrame(bitmapPath, jpegPath)) {
        // Nothing was sent, so no transfer's end will give the button back;
        // a transfer still running will.
        if (!m_transfer.IsBusy())
            restoreSendButton();
        // A snap holds the preview still; a failed run must not leave the
        // operator looking at a frozen picture.
        m_capture.setLivePreview(true);
        return;
    }
    UploadFrame(jpegPath);
}

bool FramePublisher::ConvertFrame(const QString& bitmapPath, const QString& jpegPath)
{
    const QDateTime snappedAt = QDateTime::currentDateTime();
    // The previous run's bitmap must never be read back as this run's frame.
    QFile::remove(bitmapPath);
    if (!m_capture.snapFrame()) {
        emit status(texts::uploadSkippedNoPicture);
        return false;
    }
    QString reason;
    if (!m_capture.saveFrameBitmap(bitmapPath, &reason)) {
        emit status(texts::frameNotWritten.arg(QDir::toNativeSeparators(bitmapPath), reason));
        return false;
    }

    // The pixels are released on return, before the upload starts.
    PixelBuffer pixels = m_codec.readBitmap(bitmapPath);
    if (!pixels) {
        emit status(texts::readBitmapError + QString::number(m_codec.lastError()));
        return false;
    }
    if (m_station.dressFrame)
        pixels = m_station.dressFrame(std::move(pixels), snappedAt);
    // The JPEG of an earlier run may still be there; uploading it would
    // publish an old picture as new.
    if (!m_codec.writeJpeg(jpegPath, pixels, m_settings.FileQuality)) {
        const int libraryError = m_codec.lastError();
        emit status(libraryError == ImageCodec::CannotWriteFile
                        ? texts::frameNotWritten.arg(QDir::toNativeSeparators(jpegPath),
                                                     whyNotWritten(jpegPath))
                        : texts::saveJpegError + QString::number(libraryError));
        return false;
    }
    if (!isWholeJpeg(jpegPath)) {
        const QString reason = whyNotWritten(jpegPath);
        QFile::remove(jpegPath);
        emit status(texts::frameNotWritten.arg(QDir::toNativeSeparators(jpegPath), reason));
        return false;
    }
    emit status(texts::createdPrefix + QDir::toNativeSeparators(jpegPath));
    return true;
}

QString FramePublisher::remoteName() const
{
    QString name = m_settings.FileName;
    if (m_station.sequencedPointing && m_station.sequencedPointing() && m_station.presetFileName) {
        const QVariant presetName = m_station.presetFileName();
        if (presetName.isValid() && !presetName.isNull() && !presetName.toString().isEmpty())
            name = presetName.toString();
    }
    return m_settings.FilePath + name;
}

void FramePublisher::UploadFrame(const QString& jpegPath)
{
    emit status(texts::uploadingPicture);
    const QString remote = remoteName();
    if (m_transfer.IsBusy()) {
        // The running transfer took its bytes when it started, so the file
        // just written does not disturb it; this frame is not sent.
        emit status(texts::uploadSkipped);
    } else {
        m_transfer.RunCommand(
            FileTransfer::sendCommand(QDir::toNativeSeparators(jpegPath), remote));
        emit status(texts::transferredPrefix + QString::number(QFileInfo(jpegPath).size()) +
                    texts::transferredSuffix);
    }
    m_capture.setLivePreview(true);
}

void FramePublisher::onAutoUpdateTick()
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
