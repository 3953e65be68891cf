#include "TransferSettings.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "Texts.h"

#include <QDir>

namespace {

// "True"/"False" as the station writes booleans, or a number that counts
// unless it is 0; anything else keeps the safe default.
bool readSwitch(const SettingsStore& store, QLatin1String key, bool fallback)
{
    const QString text = store.read(keys::uploadSection, key).trimmed();
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    bool isNumber = false;
    const double number = text.toDouble(&isNumber);
    return isNumber ? number != 0 : fallback;
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
