#include "IniSettingsStore.h"

#include "StationPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

IniSettingsStore::IniSettingsStore()
    : IniSettingsStore(defaultFilePath())
{}

IniSettingsStore::IniSettingsStore(const QString& filePath)
    : m_settings(filePath, QSettings::IniFormat)
{}

QString IniSettingsStore::defaultFilePath()
{
    return StationPaths::settingsFile();
}

QString IniSettingsStore::read(const QString& section, const QString& key,
                               const QString& fallback) const
{
    const QVariant value = m_settings.value(section + QLatin1Char('/') + key);
    if (!value.isValid())
        return fallback;
    // A hand-edited value with an unquoted comma comes back as a list.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    if (!value.canConvert<QString>())
        return fallback;
    return value.toString();
}

void IniSettingsStore::write(const QString& section, const QString& key, const QString& value)
{
    m_settings.setValue(section + QLatin1Char('/') + key, value);
}

bool IniSettingsStore::flush(QString* reason)
{
    // The file holds the FTP password as typed: it is created for its owner
    // only, and QSettings keeps the permissions of a file that exists.
    const QString path = m_settings.fileName();
    const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    if (!QFileInfo::exists(path)) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly, ownerOnly))
            file.close();
    }
    m_settings.sync();
    QFile::setPermissions(path, ownerOnly);
    if (m_settings.status() == QSettings::NoError)
        return true;
    if (reason) {
        *reason =
            m_settings.status() == QSettings::AccessError
                ? QStringLiteral("cannot write %1").arg(m_settings.fileName())
                : QStringLiteral("%1 is not a readable settings file").arg(m_settings.fileName());
    }
    return false;
}
