// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NetworkCamera.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QVideoFrame>

class QDateTime;

class QVideoSink;

// One way a capture driver can deliver frames.
struct CaptureFormat
{
    QSize resolution;
    float minFrameRate = 0;
    float maxFrameRate = 0;

    bool operator==(const CaptureFormat&) const = default;
};

// The video-capture component: a list of drivers (cameras), one of them
// connected and shown live, and the newest frame kept on request. It tells
// when the connected driver breaks or stops delivering frames.
class CaptureDevice : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~CaptureDevice() override;

    // Drivers are numbered from 0 in the order the system reports them.
    virtual int driverCount() const = 0;
    virtual QString driverName(int index) const = 0;
    // The driver in use, or the one a fresh component starts with.
    virtual int driverIndex() const = 0;
    // Connects the driver and starts its live picture. On failure the
    // component keeps no driver running and *error tells why. A driver that
    // fails only while starting up reports startFailed() later.
    virtual bool setDriverIndex(int index, QString* error) = 0;

    // The network cameras, listed after the machine's cameras and before
    // any synthetic driver. The driver in use keeps running under its new
    // number (true); false when none runs, also because it was a network
    // camera that is gone or changed: driverIndex() is then the one to
    // choose.
    virtual bool setNetworkCameras(const QList<NetworkCamera>& cameras);
    // Whether the driver of this number is a network camera.
    virtual bool isNetworkCamera(int index) const;

    // What the connected driver can deliver, and the choice in force.
    virtual QList<CaptureFormat> formats() const = 0;
    virtual CaptureFormat format() const = 0;
    virtual bool setFormat(const CaptureFormat& format) = 0;

    // Where the live picture goes; the sink must outlive the component or
    // be replaced first.
    virtual void setPreviewSink(QVideoSink* sink) = 0;
    // How large the live picture is shown; a driver may give the preview
    // sink frames scaled down to it.
    virtual void setPreviewSize(QSize size);
    // The newest frame whole, for those who look without snapping (held
    // still on the snapped one after a snap); invalid when the preview
    // sink's frame is the whole one.
    virtual QVideoFrame newestFrame() const;
    // Keeps the newest frame and holds the live picture on it. False, and
    // nothing kept, when no new frame came within the stall limit: an old
    // picture is never passed off as a new one.
    virtual bool snapFrame() = 0;
    // The kept frame; a null image before any snap. Where its layout allows
    // the image reads the frame's own memory, so any image format may come.
    virtual QImage snappedFrame() const = 0;
    // Lets the live picture run again after a snap.
    virtual void setLivePreview(bool on) = 0;
    virtual bool livePreview() const = 0;

signals:
    // The driver just connected could not start after all.
    void startFailed(const QString& reason);
    // The driver that was delivering broke (an error, or unplugged).
    void failed(const QString& reason);
    // No new frame for the stall limit; since: the last frame's arrival.
    void stalled(const QDateTime& since);
    // Frames arrive again after a stall.
    void resumed();
    // Cameras were plugged in or pulled out.
    void devicesChanged();
    // A text for the operator about the driver in use, shown as it is (a
    // network camera lost or back).
    void report(const QString& text);
};
