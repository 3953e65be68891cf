// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Texts.h"
#include "WebBrowser.h"

#include <QString>

#include <functional>

// How browser windows are made: the component behind each one and the
// address it opens on, which is also where its Home button leads.
struct BrowserSetup
{
    // Without a component maker the station has no browser window.
    WebBrowserFactory makeComponent;
    QString homePage = QString(texts::browserHomePage);
    // Readies the engine before the first window: false, with the reason,
    // when it cannot be had. None: always ready.
    std::function<bool(QString* reason)> prepareEngine = {};
};
