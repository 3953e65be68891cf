// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "WebBrowser.h"

#include <QDeadlineTimer>
#include <QPointer>

class QWebEngineView;

// The browser component on Qt WebEngine.
class QtWebBrowser final : public WebBrowser
{
    Q_OBJECT
public:
    QtWebBrowser(const QString& homePage, QWidget* host);
    ~QtWebBrowser() override;

    static WebBrowserFactory factory();

    QWidget* view() override;

    void Navigate(const QString& address) override;
    void GoBack() override;
    void GoForward() override;
    void GoHome() override;
    void Refresh() override;
    void Stop() override;

    bool Busy() const override;
    QString LocationName() const override;
    QString LocationURL() const override;

private:
    void expectLoad();
    void loadBegan();

    // Guarded: should the view go first, every operation becomes a no-op.
    QPointer<QWebEngineView> m_view;
    QString m_homePage;
    // Set by a request the engine has yet to start (it starts loads from its
    // own event, a moment after the request).
    bool m_loadRequested = false;
    QDeadlineTimer m_requestLimit;
};
