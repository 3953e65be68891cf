// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DayNightSettings.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <functional>

class FileTransfer;
class FrameArchive;
class TimelapseMaker;

// The day's video: made from the archive when a day ends (or on demand for
// any archived day) as <archive>/YYYY-MM-DD/timelapse-YYYY-MM-DD.mp4, and
// then, when asked, uploaded over the frames' transfer as
// <FilePath>timelapse-YYYY-MM-DD.mp4 once the transfer is free.
class DailyTimelapse final : public QObject
{
    Q_OBJECT
public:
    // remoteFolder gives the frames' remote folder as it is at the upload.
    DailyTimelapse(FrameArchive& archive, TimelapseMaker& maker, FileTransfer& transfer,
                   std::function<QString()> remoteFolder, QObject* parent = nullptr);

    void apply(const TimelapseSettings& settings);
    // The end of a day: its video, when the time-lapse is on.
    void dayEnded(QDate day);
    // The dialog's button: the video of any archived day, whatever the
    // settings say. False while one is being made; a day without frames
    // ends in a status text.
    bool makeNow(QDate day);
    static QString videoName(QDate day);
    // Tries a waiting upload again (a transfer that was busy): at the end
    // of every transfer, and at every look of the schedule, since a paused
    // night runs no transfers.
    void retryUpload();

signals:
    void status(const QString& text);
    // The video is complete under its final name.
    void made(const QString& path);

private:
    void onProgress(int done, int total);
    void onFinished(bool ok, const QString& output, const QString& reason);

    FrameArchive& m_archive;
    TimelapseMaker& m_maker;
    FileTransfer& m_transfer;
    TimelapseSettings m_settings;
    std::function<QString()> m_remoteFolder;
    QDate m_making;
    bool m_ours = false;
    bool m_uploadWanted = false;
    QString m_pendingUpload;
    QDate m_pendingDay;
};
