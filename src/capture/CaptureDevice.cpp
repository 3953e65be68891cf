// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptureDevice.h"

CaptureDevice::~CaptureDevice() = default;

bool CaptureDevice::setNetworkCameras(const QList<NetworkCamera>&)
{
    // A component that lists no network cameras keeps what it runs, if
    // anything; choosing its driver again does no harm.
    return false;
}

void CaptureDevice::setPreviewSize(QSize) {}

bool CaptureDevice::isNetworkCamera(int) const
{
    return false;
}

QVideoFrame CaptureDevice::newestFrame() const
{
    return {};
}
