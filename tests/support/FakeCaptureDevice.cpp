// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeCaptureDevice.h"

FakeCaptureDevice::FakeCaptureDevice(QStringList names, int startIndex)
    : drivers(std::move(names))
    , index(startIndex)
{
    connect(&watch, &FrameWatch::stalled, this, &CaptureDevice::stalled);
    connect(&watch, &FrameWatch::resumed, this, &CaptureDevice::resumed);
}

bool FakeCaptureDevice::setDriverIndex(int i, QString* error)
{
    connectAttempts.append(i);
    if (i < 0 || i >= drivers.size() || failing.contains(i)) {
        if (error)
            *error = QStringLiteral("driver %1 did not start").arg(i);
        return false;
    }
    index = i;
    if (watch.isRunning())
        watch.start();
    return true;
}

void FakeCaptureDevice::deliver(const QImage& image)
{
    frame = image;
    watch.frameArrived();
}

bool FakeCaptureDevice::snapFrame()
{
    ++snaps;
    if (frame.isNull() || (watch.isRunning() && !watch.isFresh()))
        return false;
    snapped = frame;
    live = false;
    return true;
}
