#pragma once

#include <QList>
#include <QSize>
#include <QString>

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
// connected and shown live, and the newest frame kept on request.
class CaptureDevice
{
public:
    virtual ~CaptureDevice() = default;

    // Drivers are numbered from 0 in the order the system reports them.
    virtual int driverCount() const = 0;
    virtual QString driverName(int index) const = 0;
    // The driver in use, or the one a fresh component starts with.
    virtual int driverIndex() const = 0;
    // Connects the driver and starts its live picture. On failure the
    // component keeps no driver running and *error tells why.
    virtual bool setDriverIndex(int index, QString* error) = 0;

    // What the connected driver can deliver, and the choice in force.
    virtual QList<CaptureFormat> formats() const = 0;
    virtual CaptureFormat format() const = 0;
    virtual bool setFormat(const CaptureFormat& format) = 0;

    // Where the live picture goes; the sink must outlive the component or
    // be replaced first.
    virtual void setPreviewSink(QVideoSink* sink) = 0;
    // Keeps the newest frame and holds the live picture on it.
    virtual bool snapFrame() = 0;
    // Writes the kept frame synchronously as a Windows bitmap file.
    virtual bool saveFrameBitmap(const QString& path) = 0;
    // Lets the live picture run again after a snap.
    virtual void setLivePreview(bool on) = 0;
    virtual bool livePreview() const = 0;
};
