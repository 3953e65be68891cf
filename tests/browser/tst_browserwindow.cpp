// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeWebBrowser.h"
#include "IntervalTimer.h"
#include "frmBrowser.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolBar>

namespace {

const QString home = QStringLiteral("http://home.test/");

// The window over a fake component, which the test drives as the engine.
struct Browser
{
    Browser()
        : window({[this](const QString&, QWidget* host) {
                      auto made = std::make_unique<FakeWebBrowser>(host);
                      component = made.get();
                      return made;
                  },
                  home})
    {}

    FakeWebBrowser* component = nullptr;
    frmBrowser window;

    QComboBox* box() const { return window.findChild<QComboBox*>(QStringLiteral("cboAddress")); }
    QWidget* page() const { return window.findChild<QWidget*>(QStringLiteral("brwWebBrowser")); }
    IntervalTimer* timer() const
    {
        return window.findChild<IntervalTimer*>(QStringLiteral("timTimer"));
    }
    QStringList entries() const
    {
        QStringList list;
        for (int i = 0; i < box()->count(); ++i)
            list.append(box()->itemText(i));
        return list;
    }
    // Where a mouse and a keyboard send them: the click into the box, the
    // keys to the focus widget.
    void typeAndEnter(const QString& text)
    {
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::mouseClick(box()->lineEdit(), Qt::LeftButton);
        QWidget* keyboard = QApplication::focusWidget();
        QTest::keyClick(keyboard, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(keyboard, text);
        QTest::keyClick(keyboard, Qt::Key_Return);
    }
};

} // namespace

class TestBrowserWindow : public QObject
{
    Q_OBJECT
private slots:
    void controlsAndResizeLayout()
    {
        Browser b;
        QCOMPARE(b.window.size(), QSize(436, 342));
        QCOMPARE(b.window.windowTitle(), QString());
        QCOMPARE(b.timer()->interval(), 5);
        QVERIFY(!b.timer()->isEnabled());
        QCOMPARE(b.page(), b.component->view());
        QCOMPARE(b.page()->geometry(), QRect(3, 81, 359, 248));

        const QList<QAction*> buttons = b.window.findChild<QToolBar*>()->actions();
        QStringList keys;
        for (QAction* action : buttons) {
            keys.append(action->data().toString());
            QCOMPARE(action->toolTip(), action->data().toString());
            QCOMPARE(action->icon().pixmap(24, 24).size(), QSize(24, 24));
        }
        QCOMPARE(keys, (QStringList{"Back", "Forward", "Stop", "Refresh", "Home"}));

        auto* label = b.window.findChild<QLabel*>(QStringLiteral("lblAddress"));
        QCOMPARE(label->text(), QStringLiteral("&Address:"));
        QCOMPARE(label->buddy(), b.box());

        // At the design size: 6440 twips wide, the page area 6440 by 3815.
        b.window.Load();
        QCOMPARE(b.box()->geometry(), QRect(3, 22, 429, 21));
        QCOMPARE(b.page()->geometry(), QRect(3, 81, 429, 254));

        // Enlarged, the margins stay: 100 twips across, 100 at the bottom.
        b.window.resize(600, 500);
        QCOMPARE(b.box()->geometry(), QRect(3, 22, 593, 21));
        QCOMPARE(b.page()->geometry(), QRect(3, 81, 593, 412));
        QCOMPARE(b.window.findChild<QToolBar*>()->width(), 600);

        // Lower than the address strip plus its margin: nothing moves.
        b.window.resize(300, 60);
        QCOMPARE(b.box()->geometry(), QRect(3, 22, 593, 21));
        QCOMPARE(b.page()->geometry(), QRect(3, 81, 593, 412));
    }

    void ownListRewritesDoNotNavigateButChoicesDo()
    {
        Browser b;
        b.window.Load();
        b.component->complete(home, QStringLiteral("Home"));
        b.component->complete(QStringLiteral("http://a.test/x"), QStringLiteral("X"));
        b.component->complete(QStringLiteral("http://A.test/x"), QStringLiteral("Capital X"));
        b.component->complete(QStringLiteral("http://a.test/x"), QStringLiteral("X again"));
        QCOMPARE(b.entries(), (QStringList{"http://a.test/x", "http://A.test/x", home}));
        QCOMPARE(b.box()->currentIndex(), 0);
        QCOMPARE(b.box()->currentText(), QStringLiteral("http://a.test/x"));
        QCOMPARE(b.window.windowTitle(), QStringLiteral("X again"));
        QCOMPARE(b.component->calls, QStringList{"Navigate " + home});

        // The operator choosing an entry navigates there.
        b.timer()->setEnabled(false);
        QTest::keyClick(b.box(), Qt::Key_Down);
        QCOMPARE(b.component->calls.last(), QStringLiteral("Navigate http://A.test/x"));
        QVERIFY(b.timer()->isEnabled());
    }

    void enterNavigatesToTheTextExactlyAsTyped()
    {
        Browser b;
        b.window.Load();
        b.component->complete(QStringLiteral("http://a.test/x"), QStringLiteral("X"));
        b.component->calls.clear();
        b.timer()->setEnabled(false);

        // Differs from a listed entry only in case: still its own address.
        b.typeAndEnter(QStringLiteral("HTTP://HOME.TEST/"));
        QCOMPARE(b.component->calls, QStringList{"Navigate HTTP://HOME.TEST/"});
        QCOMPARE(b.box()->currentText(), QStringLiteral("HTTP://HOME.TEST/"));
        QVERIFY(b.timer()->isEnabled());

        b.typeAndEnter(QStringLiteral("  b.test "));
        QCOMPARE(b.component->calls.last(), QStringLiteral("Navigate   b.test "));
        // Typed text enters the list only once a navigation completes.
        QCOMPARE(b.entries(), (QStringList{"http://a.test/x", home}));

        // Listed, though not the entry shown: one key, one navigation.
        b.component->calls.clear();
        b.typeAndEnter(home);
        QCOMPARE(b.component->calls, QStringList{"Navigate " + home});
    }
};

QTEST_MAIN(TestBrowserWindow)
#include "tst_browserwindow.moc"
