// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "WebBrowser.h"

#include <QtPlugin>

#include <memory>

// What the browser engine's plugin offers: the component behind one
// browser window. The engine is a plugin so that a station whose operator
// never opens the browser does not pay for loading it.
class WebBrowserMaker
{
public:
    virtual ~WebBrowserMaker() = default;
    virtual std::unique_ptr<WebBrowser> make(const QString& homePage, QWidget* host) = 0;
};

#define KivraWebBrowserMaker_iid "org.kivrawebcam.WebBrowserMaker/1"
Q_DECLARE_INTERFACE(WebBrowserMaker, KivraWebBrowserMaker_iid)
