// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "WebBrowser.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

// A browser component that records the operations asked of it. The test
// plays the engine: it sets the state and raises the notifications.
class FakeWebBrowser final : public WebBrowser
{
public:
    explicit FakeWebBrowser(QWidget* host)
        : m_view(new QWidget(host))
    {}
    ~FakeWebBrowser() override { delete m_view; }

    QWidget* view() override { return m_view; }

    void Navigate(const QString& address) override
    {
        calls.append(QStringLiteral("Navigate ") + address);
    }
    void GoBack() override { calls.append(QStringLiteral("GoBack")); }
    void GoForward() override { calls.append(QStringLiteral("GoForward")); }
    void GoHome() override { calls.append(QStringLiteral("GoHome")); }
    void Refresh() override { calls.append(QStringLiteral("Refresh")); }
    void Stop() override { calls.append(QStringLiteral("Stop")); }

    bool Busy() const override { return busy; }
    QString LocationName() const override { return name; }
    QString LocationURL() const override { return url; }

    // A navigation completes: the page at address is shown.
    void complete(const QString& address, const QString& title)
    {
        url = address;
        name = title;
        busy = false;
        emit NavigateComplete();
        emit DownloadComplete();
    }

    QStringList calls;
    bool busy = false;
    QString name;
    QString url;

private:
    QPointer<QWidget> m_view;
};
