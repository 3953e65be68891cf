// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BrowserSetup.h"

#include <QObject>
#include <QPointer>

class QWidget;
class frmBrowser;

// Opens the browser window for its owner: at most one exists; opening it
// while it is up shows that window, opening it after it was closed makes a
// new one with a fresh history.
class BrowserLauncher final : public QObject
{
    Q_OBJECT
public:
    BrowserLauncher(BrowserSetup setup, QWidget* owner);

    void open();
    // The window while it is up, else null.
    frmBrowser* window() const;

signals:
    // The window cannot be opened: a text for the status line.
    void status(const QString& text);

private:
    BrowserSetup m_setup;
    QWidget* m_owner;
    QPointer<frmBrowser> m_window;
};
