// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmBrowser.h"

#include "Durations.h"
#include "IntervalTimer.h"
#include "Texts.h"
#include "ToolTipDescriptions.h"
#include "Twips.h"
#include "WebBrowser.h"

#include <QAction>
#include <QComboBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolBar>

namespace {

// Margins of the page area and the address box, in twips.
constexpr int sideMargins = 100; // 50 on the left, 50 on the right
constexpr int bottomMargin = 100;

struct ToolButton
{
    QLatin1String key;
    const char* image;
};

// In the order they stand in the toolbar.
constexpr ToolButton toolButtons[] = {
    {texts::browserBack, ":/images/browser_back.png"},
    {texts::browserForward, ":/images/browser_forward.png"},
    {texts::browserStop, ":/images/browser_stop.png"},
    {texts::browserRefresh, ":/images/browser_refresh.png"},
    {texts::browserHome, ":/images/browser_home.png"},
};

} // namespace

frmBrowser::frmBrowser(const BrowserSetup& setup, QWidget* owner)
    : QWidget(owner, Qt::Window)
    , m_homePage(setup.homePage)
    , m_component(setup.makeComponent(setup.homePage, this))
{
    setObjectName(QStringLiteral("frmBrowser"));
    setWindowIcon(QIcon(QStringLiteral(":/images/browser.png")));
    resize(twips(6540), twips(5130));
    buildControls();

    connect(m_component.get(), &WebBrowser::DownloadComplete, this, &frmBrowser::showLocationName);
    connect(m_component.get(), &WebBrowser::NavigateComplete, this,
            &frmBrowser::onNavigateComplete);
    connect(timTimer, &IntervalTimer::timeout, this, &frmBrowser::onTick);
    connect(tbToolBar, &QToolBar::actionTriggered, this,
            [this](QAction* button) { onButtonClick(button->data().toString()); });
    connect(cboAddress, &QComboBox::activated, this, &frmBrowser::onAddressChosen);
    // The keyboard's keys arrive at the box, the focus widget for its line
    // edit, and the box passes them to the line edit by a direct call that
    // no filter on the line edit sees: Enter is watched on the box.
    cboAddress->installEventFilter(this);
    // Whenever editing ends (Enter, or focus leaving for the page) the box
    // itself selects a listed entry equal to the typed text and reports it
    // as chosen. That would load a page twice for one Enter, or without any
    // Enter, so only the key and a real choice from the list navigate here.
    disconnect(cboAddress->lineEdit(), &QLineEdit::editingFinished, cboAddress, nullptr);
}

frmBrowser::~frmBrowser() = default;

void frmBrowser::buildControls()
{
    tbToolBar = new QToolBar(this);
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setGeometry(twipsRect(0, 0, 6540, 540));
    tbToolBar->setMovable(false);
    tbToolBar->setFloatable(false);
    tbToolBar->setIconSize(QSize(24, 24));
    tbToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const ToolButton& button : toolButtons) {
        QAction* action = tbToolBar->addAction(QIcon(QLatin1String(button.image)), button.key);
        action->setObjectName(button.key);
        action->setToolTip(button.key);
        action->setData(QString(button.key));
    }

    picAddress = new QWidget(this);
    picAddress->setObjectName(QStringLiteral("picAddress"));
    picAddress->setGeometry(twipsRect(0, 540, 6540, 675));

    lblAddress = new QLabel(texts::browserAddress, picAddress);
    lblAddress->setObjectName(QStringLiteral("lblAddress"));
    lblAddress->setGeometry(twipsRect(45, 60, 3075, 255));

    cboAddress = new QComboBox(picAddress);
    cboAddress->setObjectName(QStringLiteral("cboAddress"));
    cboAddress->setGeometry(twipsRect(45, 300, 3795, 315));
    cboAddress->setEditable(true);
    // The list is the history and only the window writes it: the box must
    // neither add typed text to it nor complete typed text from it.
    cboAddress->setInsertPolicy(QComboBox::NoInsert);
    cboAddress->setCompleter(nullptr);
    lblAddress->setBuddy(cboAddress);

    brwWebBrowser = m_component->view();
    brwWebBrowser->setParent(this);
    brwWebBrowser->setObjectName(QStringLiteral("brwWebBrowser"));
    brwWebBrowser->setGeometry(twipsRect(50, 1215, 5393, 3734));

    timTimer = new IntervalTimer(false, int(durations::browserPoll.count()), this);
    timTimer->setObjectName(QStringLiteral("timTimer"));

    setTabOrder(brwWebBrowser, cboAddress);
    ToolTipDescriptions::follow(this);
}

void frmBrowser::Load()
{
    // The component ignores what it cannot do, so every step runs whatever
    // the one before it achieved.
    m_startingAddress = m_homePage;
    show();
    tbToolBar->repaint();
    applyResizeLayout();

    const int belowLabel = (lblAddress->y() + lblAddress->height()) * twipsPerPixel + 15;
    cboAddress->move(twips(50), twips(belowLabel));

    cboAddress->setEditText(m_startingAddress);
    cboAddress->addItem(m_startingAddress);

    timTimer->setEnabled(true);
    m_component->Navigate(m_startingAddress);
}

bool frmBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == cboAddress && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            onAddressChosen();
    }
    // The key itself goes on to the box.
    return QWidget::eventFilter(watched, event);
}

void frmBrowser::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The toolbar and the address strip are aligned to the top edge and
    // always span the window.
    tbToolBar->resize(width(), tbToolBar->height());
    picAddress->resize(width(), picAddress->height());
    applyResizeLayout();
}

void frmBrowser::applyResizeLayout()
{
    const float innerWidth = float(width() * twipsPerPixel);
    const float innerHeight = float(height() * twipsPerPixel);
    const float stripBottom = float((picAddress->y() + picAddress->height()) * twipsPerPixel);

    const float boxWidth = innerWidth - sideMargins;
    const float pageWidth = innerWidth - sideMargins;
    const float pageHeight = innerHeight - stripBottom - bottomMargin;
    // Smaller than its margins (minimised, or dragged that small): there is
    // no sound size, so the controls stay as they are.
    if (boxWidth < 0 || pageHeight < 0 || !brwWebBrowser)
        return;

    cboAddress->resize(twips(int(boxWidth)), cboAddress->height());
    brwWebBrowser->resize(twips(int(pageWidth)), twips(int(pageHeight)));
}

void frmBrowser::onAddressChosen()
{
    if (m_suppressNavigation)
        return;
    timTimer->setEnabled(true);
    // As typed: no trimming, no scheme added; reading it is the component's
    // business.
    m_component->Navigate(cboAddress->currentText());
}

void frmBrowser::onTick()
{
    if (m_component->Busy()) {
        setWindowTitle(texts::browserWorking);
        return;
    }
    timTimer->setEnabled(false);
    showLocationName();
}

void frmBrowser::showLocationName()
{
    setWindowTitle(m_component->LocationName());
}

void frmBrowser::onNavigateComplete()
{
    showLocationName();

    const QString location = m_component->LocationURL();
    const int listed = cboAddress->findText(location, Qt::MatchExactly | Qt::MatchCaseSensitive);

    m_suppressNavigation = true;
    if (listed >= 0)
        cboAddress->removeItem(listed);
    cboAddress->insertItem(0, location);
    cboAddress->setCurrentIndex(0);
    m_suppressNavigation = false;
}

void frmBrowser::onButtonClick(const QString& key)
{
    timTimer->setEnabled(true);
    if (key == texts::browserBack) {
        m_component->GoBack();
    } else if (key == texts::browserForward) {
        m_component->GoForward();
    } else if (key == texts::browserStop) {
        timTimer->setEnabled(false);
        m_component->Stop();
        showLocationName();
    } else if (key == texts::browserRefresh) {
        m_component->Refresh();
    } else if (key == texts::browserHome) {
        m_component->GoHome();
    }
}
