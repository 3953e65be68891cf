// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BrowserSetup.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class IntervalTimer;
class QComboBox;
class QLabel;
class QToolBar;
class WebBrowser;

// The small web browser: a navigation toolbar, an address box whose list is
// the history of the pages visited (each address once, most recent first)
// and the component's page area. The component does the browsing; the
// window drives it and mirrors its state in the caption and the address box.
class frmBrowser final : public QWidget
{
    Q_OBJECT
public:
    // setup.makeComponent must be set; the window is owned by owner.
    explicit frmBrowser(const BrowserSetup& setup, QWidget* owner = nullptr);
    ~frmBrowser() override;

    // The opening steps: shows the window and loads the home page.
    void Load();

    QString StartingAddress() const { return m_startingAddress; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    void applyResizeLayout();
    void onAddressChosen();
    void onTick();
    void onNavigateComplete();
    void onButtonClick(const QString& key);
    void showLocationName();

    QString m_homePage;
    std::unique_ptr<WebBrowser> m_component;

    QToolBar* tbToolBar = nullptr;
    QWidget* picAddress = nullptr;
    QLabel* lblAddress = nullptr;
    QComboBox* cboAddress = nullptr;
    // The component's page area; guarded, as the component owns it.
    QPointer<QWidget> brwWebBrowser;
    IntervalTimer* timTimer = nullptr;

    QString m_startingAddress;
    // True only while the window rewrites the address list itself, so that
    // its own selection does not navigate.
    bool m_suppressNavigation = false;
};
