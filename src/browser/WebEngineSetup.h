// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Prepares the process for Qt WebEngine. Call it at the start of main(),
// before the QApplication exists: the engine reads these settings once,
// when it starts.
void prepareWebEngine();
