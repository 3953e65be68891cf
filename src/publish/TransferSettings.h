// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TransferOptions.h"

#include <QString>

class SettingsStore;

// The section "Upload" of the settings store: "CACertificate" (a PEM file),
// "Atomic" and "Passive" (both on unless "False" or 0). The known-hosts
// file lies in dataFolder, the station's per-user data folder.
TransferOptions readTransferOptions(const SettingsStore& store, const QString& dataFolder);
