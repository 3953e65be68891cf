#pragma once

#include "ImageCodec.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>

class CaptureDevice;
class FileTransfer;
class ImageCodec;
class IntervalTimer;
class SettingsStore;
struct UploadSettings;

// Publishes frames: grabs the live picture, turns it into a JPEG file and
// uploads that by FTP, on demand, on every tick of the automatic-update
// timer and at each preset of sequenced pointing. It also applies what the
// FTP settings dialog confirms.
class FramePublisher final : public QObject
{
    Q_OBJECT
public:
    // What a send asks of the station, at the moment it runs.
    struct Station
    {
        // The folder that holds "Picture.bmp" and "Picture.jpg".
        std::function<QString()> frameFolder;
        // Whether sequenced pointing is chosen ...
        std::function<bool()> sequencedPointing;
        // ... and, only then asked, the current preset's "FileName": an
        // invalid QVariant for Null. Null or empty falls back to FileName.
        std::function<QVariant()> presetFileName;
        // Dresses the decoded frame before it is written, given the local
        // time of the snap; without it the frame is published as grabbed.
        std::function<PixelBuffer(PixelBuffer, const QDateTime&)> dressFrame = {};
    };

    // autoUpdate is the automatic-update timer; every tick sends a frame
    // unless a transfer is still running.
    FramePublisher(CaptureDevice& capture, ImageCodec& codec, FileTransfer& transfer,
                   UploadSettings& settings, SettingsStore& store, IntervalTimer& autoUpdate,
                   Station station, QObject* parent = nullptr);

    // One capture, conversion and upload (the Send Frame button, the
    // snapshot of sequenced pointing).
    void SendFrame();
    // Hands the transfer the server, then the password, then the user name
    // of the upload settings.
    void applyCredentials();
    // The FTP settings dialog's OK: takes the chosen values, sets the Send
    // Frame button, the transfer and the timer, and stores the nine keys.
    void ApplyFtpSettings(const UploadSettings& chosen);

signals:
    // A text for the operator's status line.
    void status(const QString& text);
    // Whether the Send Frame button is usable.
    void sendFrameEnabled(bool enabled);

private:
    bool ConvertFrame(const QString& bitmapPath, const QString& jpegPath);
    void UploadFrame(const QString& jpegPath);
    QString remoteName() const;
    void onAutoUpdateTick();
    void onTransferState(int state);
    void restoreSendButton();

    CaptureDevice& m_capture;
    ImageCodec& m_codec;
    FileTransfer& m_transfer;
    UploadSettings& m_settings;
    SettingsStore& m_store;
    IntervalTimer& m_autoUpdate;
    Station m_station;
    QString m_frameFolder;
};
