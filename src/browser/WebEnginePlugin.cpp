// SPDX-License-Identifier: GPL-3.0-or-later
#include "WebEnginePlugin.h"

#include "QtWebBrowser.h"

std::unique_ptr<WebBrowser> WebEnginePlugin::make(const QString& homePage, QWidget* host)
{
    return std::make_unique<QtWebBrowser>(homePage, host);
}
