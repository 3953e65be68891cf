// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

// Makes an H.264 video in an MP4 file of JPEG frames with GStreamer
// (jpegdec, x264enc, mp4mux), on a thread of its own at the lowest
// priority, one video at a time. The video is written under a temporary
// name beside the final one and renamed when it is complete, so the final
// name only ever holds a whole video.
class TimelapseMaker final : public QObject
{
    Q_OBJECT
public:
    // The pipeline after the frames' source, shared with the benchmark.
    static QString encoderPipeline(int width, int height);

    explicit TimelapseMaker(QObject* parent = nullptr);
    // Stops a video being made (its temporary file goes) and waits.
    ~TimelapseMaker() override;

    // Starts a video of the frames (in this order, all shown at `rate`
    // frames a second, scaled to the first one's size); false when one is
    // being made already.
    bool make(const QStringList& frames, int rate, const QString& output);
    // The same with the frames listed on the video's thread, so that
    // reading a large folder never holds the caller.
    bool make(const std::function<QStringList()>& listFrames, int rate, const QString& output);
    bool isBusy() const;
    // Stops the video being made; its temporary file is removed.
    void cancel();
    // For tests and benchmarks. False when the limit ran out.
    bool waitForDone(std::chrono::milliseconds limit);

    // The work itself, on the calling thread; `onFrame` hears how many
    // frames went in and stops the work when it answers false.
    static bool encode(const QStringList& frames, int rate, const QString& output,
                       const std::function<bool(int)>& onFrame, QString* reason);

signals:
    void progress(int done, int total);
    void finished(bool ok, const QString& output, const QString& reason);

private:
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_cancel{false};
};
