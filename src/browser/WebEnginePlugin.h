// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "WebBrowserMaker.h"

#include <QObject>

// The Qt WebEngine browser component, built as a plugin of its own.
class WebEnginePlugin final : public QObject, public WebBrowserMaker
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID KivraWebBrowserMaker_iid)
    Q_INTERFACES(WebBrowserMaker)
public:
    std::unique_ptr<WebBrowser> make(const QString& homePage, QWidget* host) override;
};
