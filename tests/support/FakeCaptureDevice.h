// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CaptureDevice.h"
#include "FrameWatch.h"

#include <QImage>
#include <QSet>
#include <QStringList>

// A capture component with named drivers, some of which refuse to connect.
// Frames set directly are always fresh; once the test delivers frames, the
// component watches them like a real one and stalls when they stop.
class FakeCaptureDevice final : public CaptureDevice
{
    Q_OBJECT
public:
    explicit FakeCaptureDevice(QStringList names = {}, int startIndex = 1);

    int driverCount() const override { return int(drivers.size()); }
    QString driverName(int i) const override { return drivers.value(i); }
    int driverIndex() const override { return index; }
    bool setDriverIndex(int i, QString* error) override;

    QList<CaptureFormat> formats() const override { return {}; }
    CaptureFormat format() const override { return {}; }
    bool setFormat(const CaptureFormat&) override { return false; }

    void setPreviewSink(QVideoSink*) override {}
    bool snapFrame() override;
    QImage snappedFrame() const override { return snapped; }
    void setLivePreview(bool on) override { live = on; }
    bool livePreview() const override { return live; }

    // A new frame from the driver.
    void deliver(const QImage& image);

    QStringList drivers;
    QSet<int> failing;
    int index;
    QList<int> connectAttempts;
    // What the next snap grabs; a null image makes the snap fail.
    QImage frame;
    QImage snapped;
    bool live = true;
    int snaps = 0;
    FrameWatch watch;
};
