// SPDX-License-Identifier: GPL-3.0-or-later
// The browser window on the real engine, against a local web server.
#include "ClickableLabel.h"
#include "IntervalTimer.h"
#include "KivraWebcam.h"
#include "LocalWebServer.h"
#include "StationRig.h"
#include "Texts.h"
#include "WebEngineLoader.h"
#include "WebEngineSetup.h"
#include "frmBrowser.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QToolBar>

namespace {

// The engine starts slowly under the sanitizers and on a busy machine.
constexpr int patience = 60000;

} // namespace

class TestWebBrowser : public QObject
{
    Q_OBJECT
public:
    static void initMain() { prepareWebEngine(); }

private slots:
    void initTestCase()
    {
        // The engine comes in as the program gets it: the plugin, loaded.
        QString reason;
        QVERIFY2(engine.load(&reason), qPrintable(reason));
        QVERIFY(server.start());
        server.addPage(QStringLiteral("/"), QStringLiteral("Home"));
        server.addPage(QStringLiteral("/a.html"), QStringLiteral("Page A"));
        server.addPage(QStringLiteral("/b.html"), QStringLiteral("Page B"));
        server.addPage(QStringLiteral("/B.html"), QStringLiteral("Capital B"));
        server.addPage(QStringLiteral("/slow.html"), QStringLiteral("Slow"));
        // No trailing "/": the engine's own form of it has one.
        start = server.url();
    }

    void init() { window = new frmBrowser({engine.factory(), start}); }

    void cleanup()
    {
        server.release();
        delete window;
    }

    void openingLoadsTheStartAddress()
    {
        server.hold(QStringLiteral("/"));
        window->Load();
        QCOMPARE(entries(), QStringList{start});
        QCOMPARE(box()->currentText(), start);
        QCOMPARE(page()->size(), QSize(429, 254));

        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QString(texts::browserWorking), patience);
        QVERIFY(timer()->isEnabled());
        server.release();

        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Home"), patience);
        QTRY_COMPARE_WITH_TIMEOUT(entries(), (QStringList{start + "/", start}), patience);
        QTRY_VERIFY_WITH_TIMEOUT(!timer()->isEnabled(), patience);
    }

    void historyOfTypedAddresses()
    {
        openHome();
        visit(QStringLiteral("/a.html"), QStringLiteral("Page A"));
        // As typed: the server is asked for "/B.html", not "/b.html".
        visit(QStringLiteral("/B.html"), QStringLiteral("Capital B"));
        QCOMPARE(server.requests().filter(QStringLiteral(".html")).last(),
                 QStringLiteral("/B.html"));
        visit(QStringLiteral("/b.html"), QStringLiteral("Page B"));
        visit(QStringLiteral("/a.html"), QStringLiteral("Page A"));

        QCOMPARE(entries(), (QStringList{server.url("/a.html"), server.url("/b.html"),
                                         server.url("/B.html"), start + "/", start}));
    }

    void oneLoadForEachEnterAndNoneWithoutIt()
    {
        openHome();
        const QString a = server.url("/a.html");
        const QString b = server.url("/b.html");
        const int loadsOfA = server.requestCount(QStringLiteral("/a.html"));
        const int loadsOfB = server.requestCount(QStringLiteral("/b.html"));
        visit(QStringLiteral("/a.html"), QStringLiteral("Page A"));
        QCOMPARE(server.requestCount(QStringLiteral("/a.html")), loadsOfA + 1);
        visit(QStringLiteral("/b.html"), QStringLiteral("Page B"));

        // Listed but not shown, and with the keypad's Enter: loaded once and
        // moved to the top.
        type(a);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Page A"), patience);
        QTRY_COMPARE_WITH_TIMEOUT(entries(), (QStringList{a, b, start + "/", start}), patience);
        QTRY_VERIFY_WITH_TIMEOUT(!timer()->isEnabled(), patience);
        QCOMPARE(server.requestCount(QStringLiteral("/a.html")), loadsOfA + 2);

        // A listed address typed, then focus leaves the box: nothing loads.
        type(b);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != box());
        QVERIFY(!timer()->isEnabled());
        // Anything loaded by then was asked for before this reload.
        press(QStringLiteral("Refresh"));
        QTRY_COMPARE_WITH_TIMEOUT(server.requestCount(QStringLiteral("/a.html")), loadsOfA + 3,
                                  patience);
        QTRY_VERIFY_WITH_TIMEOUT(!timer()->isEnabled(), patience);
        QCOMPARE(server.requestCount(QStringLiteral("/b.html")), loadsOfB + 1);
        QCOMPARE(window->windowTitle(), QStringLiteral("Page A"));
    }

    void toolbarButtons()
    {
        openHome();
        visit(QStringLiteral("/a.html"), QStringLiteral("Page A"));
        visit(QStringLiteral("/b.html"), QStringLiteral("Page B"));

        press(QStringLiteral("Back"));
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Page A"), patience);
        QTRY_COMPARE_WITH_TIMEOUT(entries().first(), server.url("/a.html"), patience);

        press(QStringLiteral("Forward"));
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Page B"), patience);

        const int loads = server.requestCount(QStringLiteral("/b.html"));
        press(QStringLiteral("Refresh"));
        QTRY_COMPARE_WITH_TIMEOUT(server.requestCount(QStringLiteral("/b.html")), loads + 1,
                                  patience);
        QTRY_VERIFY_WITH_TIMEOUT(!timer()->isEnabled(), patience);
        QCOMPARE(window->windowTitle(), QStringLiteral("Page B"));

        press(QStringLiteral("Home"));
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Home"), patience);

        // Nothing further forward: the engine does nothing, the caption
        // stays on the page at hand and the polling ends.
        press(QStringLiteral("Forward"));
        QTRY_VERIFY_WITH_TIMEOUT(!timer()->isEnabled(), patience);
        QCOMPARE(window->windowTitle(), QStringLiteral("Home"));
    }

    void stopEndsThePollingAtOnce()
    {
        openHome();
        server.hold(QStringLiteral("/slow.html"));
        typeAndEnter(server.url("/slow.html"));
        QTRY_COMPARE_WITH_TIMEOUT(server.requestCount(QStringLiteral("/slow.html")), 1, patience);
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QString(texts::browserWorking), patience);

        press(QStringLiteral("Stop"));
        QVERIFY(!timer()->isEnabled());
        QCOMPARE(window->windowTitle(), QStringLiteral("Home"));
    }

    void busyFromTheRequestToTheEndOfTheLoad()
    {
        QWidget host;
        const std::unique_ptr<WebBrowser> component = engine.factory()(start, &host);
        WebBrowser& browser = *component;
        // The engine starts a load a moment after the request; busy already.
        browser.Navigate(server.url("/a.html"));
        QVERIFY(browser.Busy());
        // Stopped before it started, the load ends without any signal.
        browser.Stop();
        QVERIFY(!browser.Busy());

        browser.Navigate(server.url("/b.html"));
        QVERIFY(browser.Busy());
        QTRY_VERIFY_WITH_TIMEOUT(!browser.Busy(), patience);
        QCOMPARE(browser.LocationName(), QStringLiteral("Page B"));
        QCOMPARE(browser.LocationURL(), server.url("/b.html"));

        // Requests the engine cannot carry out leave it idle.
        browser.GoForward();
        QVERIFY(!browser.Busy());
        browser.Navigate(QString());
        QVERIFY(!browser.Busy());
    }

    void logoOpensOneWindow()
    {
        StationRig rig({.browser = {engine.factory(), server.url("/a.html"),
                                    [this](QString* reason) { return engine.load(reason); }}});
        KivraWebcam& station = rig.window();
        station.show();
        ClickableLabel* logo = station.controls().Picture2;

        QTest::mouseClick(logo, Qt::LeftButton);
        QTest::mouseClick(logo, Qt::LeftButton);
        QList<frmBrowser*> open = station.findChildren<frmBrowser*>();
        QCOMPARE(open.size(), 1);
        frmBrowser* first = open.first();
        QVERIFY(first->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(first->windowTitle(), QStringLiteral("Page A"), patience);

        first->close();
        QTRY_VERIFY_WITH_TIMEOUT(station.findChildren<frmBrowser*>().isEmpty(), patience);

        // Opened anew: the history starts again.
        QTest::mouseClick(logo, Qt::LeftButton);
        open = station.findChildren<frmBrowser*>();
        QCOMPARE(open.size(), 1);
        QCOMPARE(open.first()->findChild<QComboBox*>()->count(), 1);
    }

private:
    QComboBox* box() const { return window->findChild<QComboBox*>(QStringLiteral("cboAddress")); }
    QWidget* page() const { return window->findChild<QWidget*>(QStringLiteral("brwWebBrowser")); }
    IntervalTimer* timer() const
    {
        return window->findChild<IntervalTimer*>(QStringLiteral("timTimer"));
    }
    QStringList entries() const
    {
        QStringList list;
        for (int i = 0; i < box()->count(); ++i)
            list.append(box()->itemText(i));
        return list;
    }
    void press(const QString& key)
    {
        window->findChild<QToolBar*>()->findChild<QAction*>(key)->trigger();
    }
    // Where a mouse and a keyboard send them: the click into the box, the
    // keys to the focus widget.
    void type(const QString& text)
    {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::mouseClick(box()->lineEdit(), Qt::LeftButton);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    void typeAndEnter(const QString& text)
    {
        type(text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    void openHome()
    {
        window->Load();
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Home"), patience);
    }
    void visit(const QString& path, const QString& title)
    {
        typeAndEnter(server.url(path));
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), title, patience);
        QTRY_COMPARE_WITH_TIMEOUT(entries().first(), server.url(path), patience);
    }

    WebEngineLoader engine{{QStringLiteral(KIVRA_PLUGIN_BUILD_DIR)}};
    LocalWebServer server;
    QString start;
    frmBrowser* window = nullptr;
};

QTEST_MAIN(TestWebBrowser)
#include "tst_webbrowser.moc"
