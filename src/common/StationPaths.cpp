// SPDX-License-Identifier: GPL-3.0-or-later
#include "StationPaths.h"

#include "SettingsKeys.h"
#include "Texts.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

// Asking the file system beats reading permission bits: it also knows about
// read-only mounts, and about folders that refuse even the superuser.
bool takesNewFiles(const QString& folder)
{
    QTemporaryFile probe(folder + QLatin1String("/.kivra-probe-XXXXXX"));
    return probe.open();
}

} // namespace

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
    const QString folder = QFileInfo(presetFile).absolutePath();
    if (takesNewFiles(folder))
        return folder;
    const QString userFolder = dataFolder();
    QDir().mkpath(userFolder);
    return userFolder;
}
