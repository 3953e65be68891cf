// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "WebBrowser.h"

#include <QPluginLoader>
#include <QStringList>

class WebBrowserMaker;

// Loads the browser engine's plugin the first time a browser window asks
// for it, from the first of the given folders that holds it. The engine
// then stays loaded until the program ends: Qt WebEngine cannot be unloaded.
class WebEngineLoader final
{
public:
    static inline const QString pluginName = QStringLiteral("kivrawebcam-webengine");

    explicit WebEngineLoader(QStringList folders);
    WebEngineLoader(const WebEngineLoader&) = delete;
    WebEngineLoader& operator=(const WebEngineLoader&) = delete;

    // True once the engine is loaded; else false with Qt's reason.
    bool load(QString* reason);
    // Makes components through the loaded engine; null before load().
    WebBrowserFactory factory();

private:
    QStringList m_folders;
    QPluginLoader m_loader;
    WebBrowserMaker* m_maker = nullptr;
};
