// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// One logging category per feature. QT_LOGGING_RULES (or a qtlogging.ini)
// silences or enables them as usual, for example
// QT_LOGGING_RULES="kivra.capture.info=false".
Q_DECLARE_LOGGING_CATEGORY(kivraApp)
Q_DECLARE_LOGGING_CATEGORY(kivraMount)
Q_DECLARE_LOGGING_CATEGORY(kivraCapture)
Q_DECLARE_LOGGING_CATEGORY(kivraPublish)
Q_DECLARE_LOGGING_CATEGORY(kivraPresets)
Q_DECLARE_LOGGING_CATEGORY(kivraRemote)
Q_DECLARE_LOGGING_CATEGORY(kivraBrowser)
Q_DECLARE_LOGGING_CATEGORY(kivraSchedule)
