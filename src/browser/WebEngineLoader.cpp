// SPDX-License-Identifier: GPL-3.0-or-later
#include "WebEngineLoader.h"

#include "WebBrowserMaker.h"

#include <QDir>
#include <QFileInfo>

WebEngineLoader::WebEngineLoader(QStringList folders)
    : m_folders(std::move(folders))
{}

bool WebEngineLoader::load(QString* reason)
{
    if (m_maker)
        return true;
    const QString fileName = pluginName + QLatin1String(".so");
    QString path;
    for (const QString& folder : std::as_const(m_folders)) {
        const QString candidate = QDir(folder).filePath(fileName);
        if (QFileInfo(candidate).isFile()) {
            path = candidate;
            break;
        }
    }
    if (path.isEmpty()) {
        *reason = fileName + QLatin1String(" not found in ") + m_folders.join(QLatin1String(", "));
        return false;
    }
    m_loader.setFileName(path);
    m_maker = qobject_cast<WebBrowserMaker*>(m_loader.instance());
    if (!m_maker)
        *reason = m_loader.errorString();
    return m_maker != nullptr;
}

WebBrowserFactory WebEngineLoader::factory()
{
    return [this](const QString& homePage, QWidget* host) -> std::unique_ptr<WebBrowser> {
        return m_maker ? m_maker->make(homePage, host) : nullptr;
    };
}
