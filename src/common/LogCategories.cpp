// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogCategories.h"

// Information and above are on by default; debug is for developers.
Q_LOGGING_CATEGORY(kivraApp, "kivra.app", QtInfoMsg)
Q_LOGGING_CATEGORY(kivraMount, "kivra.mount", QtInfoMsg)
Q_LOGGING_CATEGORY(kivraCapture, "kivra.capture", QtInfoMsg)
Q_LOGGING_CATEGORY(kivraPublish, "kivra.publish", QtInfoMsg)
Q_LOGGING_CATEGORY(kivraPresets, "kivra.presets", QtInfoMsg)
Q_LOGGING_CATEGORY(kivraRemote, "kivra.remote", QtInfoMsg)
Q_LOGGING_CATEGORY(kivraBrowser, "kivra.browser", QtInfoMsg)
Q_LOGGING_CATEGORY(kivraSchedule, "kivra.schedule", QtInfoMsg)
