// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

// The web browser component: a page area that loads addresses, keeps the
// history of the pages it showed and reports when a load is done.
//
// Operations that cannot be carried out (Back with no earlier page, a text
// that is no address, Refresh with no page) do nothing; none of them throws
// or waits. Notifications arrive on the user-interface thread.
class WebBrowser : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~WebBrowser() override = default;

    // The page area, for the hosting window to place and size. It is owned
    // by the component and lives as long as the component.
    virtual QWidget* view() = 0;

    // Loads the address as the operator wrote it; the component decides how
    // to read it (a missing scheme, for one).
    virtual void Navigate(const QString& address) = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    // The component's own home page.
    virtual void GoHome() = 0;
    virtual void Refresh() = 0;
    virtual void Stop() = 0;

    // True from a request that will load a page until that load has ended.
    // Read it by polling: some requests end without any notification.
    virtual bool Busy() const = 0;
    // The title of the page shown, empty before the first page.
    virtual QString LocationName() const = 0;
    // The address of the page shown, in the component's own form.
    virtual QString LocationURL() const = 0;

signals:
    // A load ended: completed, failed or stopped.
    void DownloadComplete();
    // The component now shows the page of a completed navigation (a page or
    // the error page for its address); LocationURL is that page's address.
    void NavigateComplete();
};

// Makes the component behind one browser window. The component's page area
// is created as a child of host; homePage is where GoHome leads.
using WebBrowserFactory =
    std::function<std::unique_ptr<WebBrowser>(const QString& homePage, QWidget* host)>;
