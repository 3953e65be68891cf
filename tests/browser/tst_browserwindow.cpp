#include "FakeWebBrowser.h"
#include "IntervalTimer.h"
#include "Texts.h"
#include "frmBrowser.h"

#include <QAction>
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
    QAction* button(const QString& key) const
    {
        return window.findChild<QToolBar*>(QStringLiteral("tbToolBar"))->findChild<QAction*>(key);
    }
    QStringList entries() const
    {
        QStringList list;
        for (int i = 0; i < box()->count(); ++i)
            list.append(box()->itemText(i));
        return list;
    }
    void typeAndEnter(const QString& text) const
    {
        QLineEdit* edit = box()->lineEdit();
        edit->clear();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
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

    void openingNavigatesAndTheCaptionFollowsTheBusyState()
    {
        Browser b;
        b.component->busy = true;
        b.window.Load();
        QVERIFY(b.window.isVisible());
        QCOMPARE(b.window.StartingAddress(), home);
        QCOMPARE(b.entries(), QStringList{home});
        QCOMPARE(b.box()->currentText(), home);
        QCOMPARE(b.component->calls, QStringList{"Navigate " + home});
        QVERIFY(b.timer()->isEnabled());

        QTRY_COMPARE_WITH_TIMEOUT(b.window.windowTitle(), QString(texts::browserWorking), 10000);
        QVERIFY(b.timer()->isEnabled());

        b.component->name = QStringLiteral("Home page");
        b.component->busy = false;
        QTRY_COMPARE_WITH_TIMEOUT(b.window.windowTitle(), QStringLiteral("Home page"), 10000);
        QVERIFY(!b.timer()->isEnabled());
    }

    void historyHoldsEachAddressOnceMostRecentFirst()
    {
        Browser b;
        b.window.Load();
        b.component->complete(home, QStringLiteral("Home"));
        QCOMPARE(b.entries(), QStringList{home});

        b.component->complete(QStringLiteral("http://a.test/x"), QStringLiteral("X"));
        b.component->complete(QStringLiteral("http://A.test/x"), QStringLiteral("X"));
        b.component->complete(QStringLiteral("http://a.test/x/"), QStringLiteral("X slash"));
        QCOMPARE(b.entries(),
                 (QStringList{"http://a.test/x/", "http://A.test/x", "http://a.test/x", home}));

        b.component->complete(QStringLiteral("http://a.test/x"), QStringLiteral("X again"));
        QCOMPARE(b.entries(),
                 (QStringList{"http://a.test/x", "http://a.test/x/", "http://A.test/x", home}));
        QCOMPARE(b.box()->currentIndex(), 0);
        QCOMPARE(b.box()->currentText(), QStringLiteral("http://a.test/x"));
        QCOMPARE(b.window.windowTitle(), QStringLiteral("X again"));
        // The window's own rewriting of the list never navigates.
        QCOMPARE(b.component->calls, QStringList{"Navigate " + home});

        // The operator choosing an entry does.
        QTest::keyClick(b.box(), Qt::Key_Down);
        QCOMPARE(b.component->calls.last(), QStringLiteral("Navigate http://a.test/x/"));
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
    }

    void toolbarButtons()
    {
        Browser b;
        b.window.Load();
        b.component->complete(home, QStringLiteral("Home"));
        b.component->calls.clear();

        const QStringList keys{"Back", "Forward", "Refresh", "Home"};
        const QStringList operations{"GoBack", "GoForward", "Refresh", "GoHome"};
        for (qsizetype i = 0; i < keys.size(); ++i) {
            b.timer()->setEnabled(false);
            b.button(keys[i])->trigger();
            QCOMPARE(b.component->calls.last(), operations[i]);
            QVERIFY(b.timer()->isEnabled());
        }

        // Back with no earlier page does nothing; the polling then puts the
        // caption back to the page at hand.
        b.window.setWindowTitle(texts::browserWorking);
        b.button(QStringLiteral("Back"))->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(b.window.windowTitle(), QStringLiteral("Home"), 10000);

        // Stop ends the polling at once, even while the component is busy.
        b.component->busy = true;
        b.component->name = QStringLiteral("Half a page");
        b.button(QStringLiteral("Home"))->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(b.window.windowTitle(), QString(texts::browserWorking), 10000);
        b.button(QStringLiteral("Stop"))->trigger();
        QCOMPARE(b.component->calls.last(), QStringLiteral("Stop"));
        QVERIFY(!b.timer()->isEnabled());
        QCOMPARE(b.window.windowTitle(), QStringLiteral("Half a page"));
    }
};

QTEST_MAIN(TestBrowserWindow)
#include "tst_browserwindow.moc"
