// SPDX-License-Identifier: GPL-3.0-or-later
#include "DailyTimelapse.h"

#include "FileTransfer.h"
#include "FrameArchive.h"
#include "TimelapseMaker.h"

#include <QDir>
#include <QFileInfo>

DailyTimelapse::DailyTimelapse(FrameArchive& archive, TimelapseMaker& maker, FileTransfer& transfer,
                               std::function<QString()> remoteFolder, QObject* parent)
    : QObject(parent)
    , m_archive(archive)
    , m_maker(maker)
    , m_transfer(transfer)
    , m_remoteFolder(std::move(remoteFolder))
{
    connect(&m_maker, &TimelapseMaker::progress, this, &DailyTimelapse::onProgress);
    connect(&m_maker, &TimelapseMaker::finished, this, &DailyTimelapse::onFinished);
    // The frames' own upload ends first; the video goes after it.
    connect(&m_transfer, &FileTransfer::TransferStateChanged, this, &DailyTimelapse::retryUpload,
            Qt::QueuedConnection);
}

void DailyTimelapse::apply(const TimelapseSettings& settings)
{
    m_settings = settings;
}

QString DailyTimelapse::videoName(QDate day)
{
    return QStringLiteral("timelapse-") + day.toString(QStringLiteral("yyyy-MM-dd")) +
           QStringLiteral(".mp4");
}

void DailyTimelapse::dayEnded(QDate day)
{
    if (!m_settings.enabled || !m_archive.settings().enabled)
        return;
    if (!QFileInfo::exists(FrameArchive::dayFolder(m_archive.settings().folder, day)))
        return;
    m_uploadWanted = m_settings.upload;
    if (!m_maker.isBusy())
        makeNow(day);
}

bool DailyTimelapse::makeNow(QDate day)
{
    const QString folder = m_archive.settings().folder;
    const QString output = QDir(FrameArchive::dayFolder(folder, day)).filePath(videoName(day));
    if (!m_maker.make([folder, day] { return FrameArchive::frames(folder, day); }, m_settings.rate,
                      output))
        return false;
    m_making = day;
    m_ours = true;
    emit status(tr("Time-lapse of %1: started").arg(day.toString(Qt::ISODate)));
    return true;
}

void DailyTimelapse::onProgress(int done, int total)
{
    if (!m_ours)
        return;
    emit status(tr("Time-lapse of %1: %2 %")
                    .arg(m_making.toString(Qt::ISODate))
                    .arg(total > 0 ? done * 100 / total : 100));
}

void DailyTimelapse::onFinished(bool ok, const QString& output, const QString& reason)
{
    // Someone else's video (a test's, a benchmark's) is none of ours.
    if (!m_ours)
        return;
    m_ours = false;
    const QString day = m_making.toString(Qt::ISODate);
    if (!ok) {
        emit status(tr("Time-lapse of %1 not made: %2").arg(day, reason));
        m_uploadWanted = false;
        return;
    }
    m_archive.adopt(output);
    emit status(tr("Time-lapse of %1 made: %2").arg(day, QDir::toNativeSeparators(output)));
    emit made(output);
    if (m_uploadWanted) {
        m_pendingUpload = output;
        m_pendingDay = m_making;
        m_uploadWanted = false;
        retryUpload();
    }
}

void DailyTimelapse::retryUpload()
{
    if (m_pendingUpload.isEmpty() || m_transfer.IsBusy())
        return;
    TransferJob job;
    job.localPath = QDir::toNativeSeparators(m_pendingUpload);
    job.remoteName = m_remoteFolder() + videoName(m_pendingDay);
    m_pendingUpload.clear();
    emit status(tr("Uploading the time-lapse as %1").arg(job.remoteName));
    m_transfer.send(job);
}
