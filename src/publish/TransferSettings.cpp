// SPDX-License-Identifier: GPL-3.0-or-later
#include "TransferSettings.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SettingsValues.h"
#include "Texts.h"

#include <QDir>

namespace {

bool readSwitch(const SettingsStore& store, QLatin1String key, bool fallback)
{
    return settingsvalues::toBool(store.read(keys::uploadSection, key)).value_or(fallback);
}

} // namespace

TransferOptions readTransferOptions(const SettingsStore& store, const QString& dataFolder)
{
    TransferOptions options;
    options.caCertificate = store.read(keys::uploadSection, keys::caCertificate).trimmed();
    options.atomic = readSwitch(store, keys::atomic, true);
    options.passive = readSwitch(store, keys::passive, true);
    options.knownHostsFile = QDir(dataFolder).filePath(texts::knownHostsFile);
    return options;
}
