// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

class QImage;

namespace framefile {

// Writes the bytes beside path under a name of their own and renames them
// over it, so a reader finds the old file or the whole new one, never a
// part, and a full disk leaves no truncated file behind. The new name is
// created afresh, so no file or link planted there is written through, and
// a path that is not a regular file of the user's own (a link, a FIFO,
// someone else's file) is left alone. Nothing is forced to disk: a frame
// rewritten every few seconds need not survive a power cut, and syncing
// each one costs time and wears the SD cards small stations run from.
// *error gets the reason.
bool replaceFile(const QString& path, const QByteArray& bytes, QString* error);

// Writes the image as a Windows bitmap file the same way.
bool saveBitmap(const QImage& image, const QString& path, QString* error);

} // namespace framefile
