// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GstCameraPipeline.h"
#include "NetworkCamera.h"
#include "TaskThread.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QVideoFrame>

#include <chrono>
#include <memory>

// Runs the chosen network camera and keeps it running: a stream that
// cannot be reached, refuses the login, ends or goes silent is said lost
// once and tried again after 1 s, 2 s, 4 s … at most 30 s, until frames
// flow and it is said back. The pipelines live on a thread of their own;
// this side, on the user-interface thread, never waits for them.
class NetworkCameraSource final : public QObject
{
    Q_OBJECT
public:
    explicit NetworkCameraSource(QObject* parent = nullptr);
    ~NetworkCameraSource() override;

    void start(const NetworkCamera& camera);
    void stop();
    bool isRunning() const { return m_running; }
    const NetworkCamera& camera() const { return m_camera; }

    // How long a stream may go without a frame, before the first one and
    // between two, until it counts as lost.
    void setSilenceLimits(std::chrono::milliseconds first, std::chrono::milliseconds between);

    // The live view's frames fit within this size (taken at the next start).
    void setPreviewSize(QSize size) { m_previewSize = size; }
    // The newest frame whole, copied once when first asked for; invalid
    // while none is held.
    QVideoFrame newestFrame() const;

signals:
    // A new frame, scaled for the live view; newestFrame() has it whole.
    void frameReady(const QVideoFrame& preview);
    // "Camera <name> lost: <reason>", once for each loss.
    void lost(const QString& text);
    // "Camera <name> back", at the first frame after a loss.
    void back(const QString& text);

private:
    struct Mailbox;

    void launch();
    void release();
    void onFrames(const std::shared_ptr<Mailbox>& mailbox);
    void onFault(const std::shared_ptr<Mailbox>& mailbox, const QString& reason);
    void checkSilence();

    NetworkCamera m_camera;
    bool m_running = false;
    bool m_lost = false;
    bool m_framed = false;
    std::chrono::milliseconds m_pause;
    std::chrono::milliseconds m_firstLimit;
    std::chrono::milliseconds m_betweenLimit;
    QTimer m_retry;
    QTimer m_silence;
    QElapsedTimer m_sinceFrame;
    QSize m_previewSize{320, 240};
    HeldSample m_newest;
    // The copy of m_newest made for whoever asked first.
    mutable HeldSample m_copied;
    mutable QVideoFrame m_whole;
    // The running pipeline's way back to this side; closed when it stops.
    std::shared_ptr<Mailbox> m_mailbox;
    // Touched only by tasks on m_worker.
    std::unique_ptr<GstCameraPipeline> m_pipeline;
    // Declared last: it goes first, running its last task (the teardown)
    // while everything the tasks reach is still there.
    TaskThread m_worker{"camera"};
};
