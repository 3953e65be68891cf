// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtWebBrowser.h"

#include "Durations.h"

#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineView>

QtWebBrowser::QtWebBrowser(const QString& homePage, QWidget* host)
    : m_view(new QWebEngineView(host))
    , m_homePage(homePage)
{
    QWebEnginePage* page = m_view->page();
    connect(page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            loadBegan();
            return;
        case QWebEngineLoadingInfo::LoadSucceededStatus:
        case QWebEngineLoadingInfo::LoadFailedStatus:
            emit NavigateComplete();
            emit DownloadComplete();
            return;
        case QWebEngineLoadingInfo::LoadStoppedStatus:
            emit DownloadComplete();
            return;
        }
    });
    // A jump within the page shown (an address with a fragment) changes the
    // address without any load.
    connect(page, &QWebEnginePage::urlChanged, this, &QtWebBrowser::loadBegan);
    connect(page, &QWebEnginePage::renderProcessTerminated, this, &QtWebBrowser::loadBegan);
}

QtWebBrowser::~QtWebBrowser()
{
    delete m_view;
}

WebBrowserFactory QtWebBrowser::factory()
{
    return [](const QString& homePage, QWidget* host) -> std::unique_ptr<WebBrowser> {
        return std::make_unique<QtWebBrowser>(homePage, host);
    };
}

QWidget* QtWebBrowser::view()
{
    return m_view;
}

void QtWebBrowser::Navigate(const QString& address)
{
    if (!m_view)
        return;
    // Reads the text as a browser's address box does: "127.0.0.1:8080/x"
    // is taken as an http address, a path as a local file.
    const QUrl url = QUrl::fromUserInput(address);
    if (!url.isValid())
        return;
    expectLoad();
    m_view->load(url);
}

void QtWebBrowser::GoBack()
{
    if (!m_view || !m_view->history()->canGoBack())
        return;
    expectLoad();
    m_view->back();
}

void QtWebBrowser::GoForward()
{
    if (!m_view || !m_view->history()->canGoForward())
        return;
    expectLoad();
    m_view->forward();
}

void QtWebBrowser::GoHome()
{
    Navigate(m_homePage);
}

void QtWebBrowser::Refresh()
{
    if (!m_view || m_view->url().isEmpty())
        return;
    expectLoad();
    m_view->reload();
}

void QtWebBrowser::Stop()
{
    // A load stopped before the engine started it ends without any signal,
    // so the request is forgotten here, not when the engine reports.
    m_loadRequested = false;
    if (m_view)
        m_view->stop();
}

bool QtWebBrowser::Busy() const
{
    if (!m_view)
        return false;
    return m_view->page()->isLoading() || (m_loadRequested && !m_requestLimit.hasExpired());
}

QString QtWebBrowser::LocationName() const
{
    return m_view ? m_view->title() : QString();
}

QString QtWebBrowser::LocationURL() const
{
    return m_view ? m_view->url().toString(QUrl::FullyEncoded) : QString();
}

void QtWebBrowser::expectLoad()
{
    m_loadRequested = true;
    m_requestLimit.setRemainingTime(durations::browserLoadStart);
}

void QtWebBrowser::loadBegan()
{
    // From here the engine's own loading state tells whether it is busy.
    m_loadRequested = false;
}
