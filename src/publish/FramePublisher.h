// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ImageCodec.h"
#include "VisitedPreset.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <chrono>
#include <optional>

class CaptureDevice;
class FileTransfer;
class FrameDresser;
class IntervalTimer;
class SettingsStore;
struct UploadSettings;

// Publishes frames: grabs the live picture, encodes it as a JPEG in memory
// and uploads those bytes by FTP, on demand, on every tick of the
// automatic-update timer and at each preset of sequenced pointing. The
// JPEG and the grabbed frame are left on disk too, as "Picture.jpg" and
// "Picture.bmp". It also applies what the FTP settings dialog confirms.
class FramePublisher final : public QObject
{
    Q_OBJECT
public:
    // autoUpdate is the automatic-update timer; every tick sends a frame
    // unless a transfer is still running. dresser dresses each frame as the
    // store says at that moment; presets names the preset being visited,
    // whose "FileName" is the remote name and whose number and name go into
    // the caption.
    FramePublisher(CaptureDevice& capture, ImageCodec& codec, FileTransfer& transfer,
                   UploadSettings& settings, SettingsStore& store, IntervalTimer& autoUpdate,
                   const FrameDresser& dresser, const VisitedPreset& presets,
                   QObject* parent = nullptr);
    // Waits for frame files still being written.
    ~FramePublisher() override;

    // The folder that takes "Picture.bmp" and "Picture.jpg".
    void setFrameFolder(const QString& folder);

    // One capture, conversion and upload (the Send Frame button, the
    // snapshot of sequenced pointing). "Picture.jpg" and then "Picture.bmp"
    // are written afterwards, off the caller's thread; a file that cannot
    // be written is reported on the status line.
    void SendFrame();
    // Waits until the files of the sends so far are written: for tests and
    // benchmarks, never the window. False when the limit ran out.
    bool waitForFiles(std::chrono::milliseconds limit);
    // While held, ticks of the automatic-update timer send nothing; the
    // timer itself keeps the operator's setting.
    void setAutomaticHeld(bool held) { m_automaticHeld = held; }
    // An automatic send: none while a transfer is still running.
    void sendAutomatic();
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
    // A frame went to the transfer: the JPEG's bytes as sent.
    void published(const QByteArray& jpeg);

private:
    // The JPEG's bytes, empty when there is nothing to publish; *grabbed
    // gets the frame they were made from.
    QByteArray ConvertFrame(const std::optional<PresetVisit>& preset, QImage* grabbed);
    void writeFilesLater(const QByteArray& jpeg, const QImage& frame);
    // Thread-safe: the status line hears of the file on the caller's thread.
    void reportUnwritten(const QString& path, const QString& reason);
    void UploadFrame(const QByteArray& jpeg, const std::optional<PresetVisit>& preset);
    QString remoteName(const std::optional<PresetVisit>& preset) const;
    void onAutoUpdateTick();
    void onTransferState(int state);
    void restoreSendButton();

    CaptureDevice& m_capture;
    ImageCodec& m_codec;
    FileTransfer& m_transfer;
    UploadSettings& m_settings;
    SettingsStore& m_store;
    IntervalTimer& m_autoUpdate;
    const FrameDresser& m_dresser;
    const VisitedPreset& m_presets;
    QString m_frameFolder;
    QString m_jpegPath;
    QString m_bitmapPath;
    bool m_automaticHeld = false;
    // Writes the files off the caller's thread, one run at a time, in
    // order; last, so it has finished before anything else goes.
    std::atomic<quint64> m_filesAsked{0};
    QThreadPool m_fileWriter;
};
