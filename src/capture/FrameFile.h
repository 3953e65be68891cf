#pragma once

#include <QString>

class QImage;

namespace framefile {

// Writes the image as a Windows bitmap file, whole or not at all: it goes
// in under a temporary name and replaces the file only once complete, so a
// full disk leaves no truncated bitmap behind. *error gets the system's
// reason on failure.
bool saveBitmap(const QImage& image, const QString& path, QString* error);

} // namespace framefile
