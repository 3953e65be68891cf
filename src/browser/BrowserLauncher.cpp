// SPDX-License-Identifier: GPL-3.0-or-later
#include "BrowserLauncher.h"

#include "Texts.h"
#include "frmBrowser.h"

BrowserLauncher::BrowserLauncher(BrowserSetup setup, QWidget* owner)
    : QObject(owner)
    , m_setup(std::move(setup))
    , m_owner(owner)
{}

frmBrowser* BrowserLauncher::window() const
{
    // A closed window is hidden at once and deleted a moment later.
    return m_window && m_window->isVisible() ? m_window.data() : nullptr;
}

void BrowserLauncher::open()
{
    if (frmBrowser* shown = window()) {
        shown->setWindowState(shown->windowState() & ~Qt::WindowMinimized);
        shown->show();
        shown->raise();
        shown->activateWindow();
        return;
    }
    if (!m_setup.makeComponent)
        return;
    QString reason;
    if (m_setup.prepareEngine && !m_setup.prepareEngine(&reason)) {
        emit status(texts::browserUnavailable + reason);
        return;
    }
    // Modeless and owned by the main window: it stays above its owner and
    // goes with it. Closing it discards it with its history.
    m_window = new frmBrowser(m_setup, m_owner);
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    m_window->Load();
}
