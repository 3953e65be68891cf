#pragma once

#include "SettingsStore.h"

#include <QSettings>

// The settings store as an INI file. The default place is
// $XDG_CONFIG_HOME/KivraWebcam/KivraWebcam.conf on Linux.
class IniSettingsStore final : public SettingsStore
{
public:
    IniSettingsStore();
    explicit IniSettingsStore(const QString& filePath);

    static QString defaultFilePath();
    QString filePath() const { return m_settings.fileName(); }

    QString read(const QString& section, const QString& key,
                 const QString& fallback = {}) const override;
    void write(const QString& section, const QString& key, const QString& value) override;
    bool flush(QString* reason = nullptr) override;

private:
    mutable QSettings m_settings;
};
