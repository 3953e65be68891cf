#include "StationPaths.h"

#include "SettingsKeys.h"
#include "Texts.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString StationPaths::settingsFile()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base + QLatin1Char('/') + keys::organisation + QLatin1Char('/') + keys::application +
           QLatin1String(".conf");
}

QString StationPaths::dataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QLatin1Char('/') + texts::appTitle;
}

QString StationPaths::presetFile(const QString& wanted)
{
    const QFileInfo file(wanted);
    const QString name = wanted.isEmpty() ? QString(texts::presetDatabaseFile) : file.fileName();
    if (!wanted.isEmpty()) {
        if (file.exists())
            return wanted;
        const QFileInfo folder(file.absolutePath());
        if (folder.isDir() && folder.isWritable())
            return wanted;
    }
    const QString userFolder = dataFolder();
    QDir().mkpath(userFolder);
    return userFolder + QLatin1Char('/') + name;
}

QString StationPaths::frameFolder(const QString& presetFile)
{
    return QFileInfo(presetFile).absolutePath();
}
