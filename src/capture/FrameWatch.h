// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>

// Watches the frames of a running driver: when none arrives for the stall
// limit the driver has stalled, and its last frame is too old to publish.
// Every capture component feeds one, the real camera, the test pattern and
// the test doubles alike.
class FrameWatch final : public QObject
{
    Q_OBJECT
public:
    explicit FrameWatch(QObject* parent = nullptr);

    void setLimit(std::chrono::milliseconds limit);
    // A driver started: from now on frames are expected.
    void start();
    // The driver stopped: nothing is expected, nothing is fresh.
    void stop();
    // A new frame arrived (starts the watch when it was not running).
    void frameArrived();

    bool isRunning() const { return m_running; }
    // Whether a frame arrived within the limit.
    bool isFresh() const;
    bool hasStalled() const { return m_stalled; }

signals:
    // since: the last frame's arrival, or the start when none came.
    void stalled(const QDateTime& since);
    void resumed();

private:
    void onTimeout();

    std::chrono::milliseconds m_limit;
    QTimer m_timer;
    QElapsedTimer m_sinceFrame;
    qint64 m_lastMSecsSinceEpoch = 0;
    bool m_running = false;
    bool m_framed = false;
    bool m_stalled = false;
};
