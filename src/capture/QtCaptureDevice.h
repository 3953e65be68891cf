// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CaptureDevice.h"
#include "FrameWatch.h"
#include "NetworkCameraSource.h"
#include "TestPatternSource.h"

#include <QCamera>
#include <QCameraDevice>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QPointer>
#include <QVideoFrame>
#include <QVideoSink>

#include <memory>

// The capture component: the cameras Qt Multimedia reports, in its order,
// then the network cameras (GStreamer pipelines of their own), optionally
// followed by the synthetic "Test pattern" driver. The machine's cameras
// keep their places for the whole run; a camera pulled out and plugged in
// again keeps its place.
class QtCaptureDevice final : public CaptureDevice
{
    Q_OBJECT
public:
    // startIndex is the driver a fresh component reports before any choice;
    // when it names no driver the first one is reported instead.
    explicit QtCaptureDevice(bool withTestPattern, int startIndex = 1, QObject* parent = nullptr);
    ~QtCaptureDevice() override;

    int driverCount() const override;
    QString driverName(int index) const override;
    int driverIndex() const override;
    bool setDriverIndex(int index, QString* error) override;
    bool setNetworkCameras(const QList<NetworkCamera>& cameras) override;

    QList<CaptureFormat> formats() const override;
    CaptureFormat format() const override;
    bool setFormat(const CaptureFormat& format) override;

    void setPreviewSink(QVideoSink* sink) override;
    void setPreviewSize(QSize size) override { m_network.setPreviewSize(size); }
    QVideoFrame newestFrame() const override;
    bool isNetworkCamera(int index) const override { return networkCamera(index) >= 0; }
    bool snapFrame() override;
    QImage snappedFrame() const override;
    void setLivePreview(bool on) override;
    bool livePreview() const override { return m_live; }

    // How long the driver may go without a new frame.
    void setStallLimit(std::chrono::milliseconds limit) { m_watch.setLimit(limit); }
    NetworkCameraSource& networkSource() { return m_network; }

private:
    bool isTestPattern(int index) const;
    // The network camera of a driver number, or -1.
    int networkCamera(int index) const;
    int remapped(const QList<NetworkCamera>& cameras, bool* keeps) const;
    void onNetworkLost(const QString& text);
    void stopDriver();
    void onFrame(const QVideoFrame& frame);
    void onCameraError(QCamera* camera, const QString& reason);
    void breakDown(const QString& reason);
    void onInputsChanged();
    bool isPresent(const QCameraDevice& camera) const;

    QList<QCameraDevice> m_cameras;
    QList<NetworkCamera> m_networkCameras;
    bool m_withTestPattern = false;
    int m_index = 0;
    bool m_connected = false;
    // Whether the running driver delivered a frame since it was started.
    bool m_delivered = false;

    QMediaCaptureSession m_session;
    std::unique_ptr<QCamera> m_camera;
    QVideoSink m_frames;
    TestPatternSource m_pattern;
    NetworkCameraSource m_network;
    FrameWatch m_watch;
    QMediaDevices m_devices;

    QPointer<QVideoSink> m_preview;
    QVideoFrame m_latest;
    QVideoFrame m_snapped;
    bool m_live = true;
};
