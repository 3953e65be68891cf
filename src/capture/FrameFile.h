#pragma once

#include <QString>

class QImage;

namespace framefile {

// Writes the image as a Windows bitmap file, whole or not at all: it goes
// in under a temporary name and replaces the file only once complete, so a
// full disk leaves no truncated bitmap behind. A path that is not a regular
// file of the user's own (a link, a FIFO, someone else's file) is left
// alone. *error gets the reason on failure.
bool saveBitmap(const QImage& image, const QString& path, QString* error);

} // namespace framefile
