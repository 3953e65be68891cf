#include "FakeCaptureDevice.h"

bool FakeCaptureDevice::setDriverIndex(int i, QString* error)
{
    connectAttempts.append(i);
    if (i < 0 || i >= drivers.size() || failing.contains(i)) {
        if (error)
            *error = QStringLiteral("driver %1 did not start").arg(i);
        return false;
    }
    index = i;
    return true;
}

bool FakeCaptureDevice::snapFrame()
{
    ++snaps;
    if (frame.isNull())
        return false;
    snapped = frame;
    live = false;
    return true;
}

bool FakeCaptureDevice::saveFrameBitmap(const QString& path)
{
    return !snapped.isNull() && snapped.convertToFormat(QImage::Format_RGB888).save(path, "BMP");
}
