// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeSerialPort.h"
#include "IntervalTimer.h"
#include "KivraWebcam.h"
#include "PresetRecordSet.h"
#include "PresetTableModel.h"
#include "PseudoTerminal.h"
#include "QtSerialPort.h"
#include "RecordNavigator.h"
#include "SettingsKeys.h"
#include "SqlitePresetFile.h"
#include "StationRig.h"
#include "Texts.h"
#include "TouchPad.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

// A station whose program folder is `folder`; COM1 is `com1` when given,
// reached through `port` or else the rig's fake.
struct Station
{
    explicit Station(const QString& folder, const QString& com1 = {}, SerialPort* port = nullptr)
        : rig({.serial = port, .programFolder = folder})
    {
        rig.settings.set(keys::portsSection, QStringLiteral("COM1"), com1);
        rig.load();
        // The deferred restore of the (empty) settings would undo the modes
        // these tests choose, whenever a slow run reaches 1.5 s.
        timer("Timer3")->setEnabled(false);
    }
    StationRig rig;
    FakeSerialPort& serial = rig.serial;
    KivraWebcam& window() { return rig.window(); }

    const MainWindowLayout& ui() { return rig.ui(); }
    PresetRecordSet& presets() { return window().presets(); }
    QAbstractItemModel* grid() { return ui().DBGrid1->model(); }
    QString status() { return rig.status(); }
    IntervalTimer* timer(const char* name) { return rig.timer(name); }
    void tick() { rig.tick(); }
};

using FakeStation = Station;

// The table's (pan, tilt, delay) rows as the file holds them, read through
// a connection of the test's own.
QStringList rowsInFile(const QString& folder)
{
    QStringList rows;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(folder + QStringLiteral("/Pivora.mdb"));
        if (!db.open())
            return {QStringLiteral("cannot open")};
        QSqlQuery query(QStringLiteral("SELECT Pan, Tilt, Delay FROM LineEntry ORDER BY rowid"),
                        db);
        while (query.next()) {
            rows.append(QStringList{query.value(0).toString(), query.value(1).toString(),
                                    query.value(2).toString()}
                            .join(QLatin1Char('/')));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return rows;
}

// The operator's hands: the mouse goes through the window, so Qt itself
// picks the widget under it and tells a double-click from two clicks; keys
// go to whatever has the focus.
void click(QWidget* widget, QPoint at, bool twice = false)
{
    QWidget* window = widget->window();
    const QPoint point = widget->mapTo(window, at);
    QTest::mouseMove(window->windowHandle(), point);
    if (twice)
        QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {}, point);
    else
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, point);
}

void clickCell(QTableView* grid, int row, int column, bool twice = false)
{
    click(grid->viewport(), grid->visualRect(grid->model()->index(row, column)).center(), twice);
}

void type(const QString& text)
{
    QTest::keyClicks(QApplication::focusWidget(), text);
}

void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

QString rowText(const QAbstractItemModel* model, int row)
{
    QStringList cells;
    for (int column = 0; column < 3; ++column)
        cells.append(model->index(row, column).data().toString());
    return cells.join(QLatin1Char('/'));
}

} // namespace

// The pad, training, sequenced and random pointing and the grid, through
// the main window's own controls.
class TestPresets : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    int m_folders = 0;

    QString freshFolder()
    {
        const QString folder = m_root.filePath(QString::number(++m_folders));
        QDir().mkpath(folder);
        return folder;
    }

    // A program folder whose table holds these (pan, tilt, delay) rows.
    QString folderWith(const QList<QVariantList>& rows)
    {
        const QString folder = freshFolder();
        PresetRecordSet presets{sqlitePresetFile()};
        presets.setDatabaseName(folder + QStringLiteral("/Pivora.mdb"));
        presets.open();
        for (const QVariantList& row : rows) {
            presets.AddNew();
            for (int i = 0; i < row.size(); ++i)
                presets.setField(i, row[i]);
            presets.Update();
        }
        return folder;
    }

private slots:
    void initTestCase() { QVERIFY(m_root.isValid()); }

    void padMovesReachTheLineFloored()
    {
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        QtSerialPort port;
        Station s(freshFolder(), pty.slavePath(), &port);
        s.ui().Option1->click();
        s.ui().optManual->setChecked(true);
        TouchPad* pad = s.ui().Picture1;
        QVERIFY(pad->isEnabled());

        emit pad->MouseMove(5.5f, 1.0f);
        QCOMPARE(pty.read(6), QByteArray("A5\rB1\r"));
        emit pad->MouseMove(21.27f, 17.9f);
        emit pad->MouseMove(21.27f, 17.9f);
        QCOMPARE(pty.read(16), QByteArray("A21\rB17\rA21\rB17\r"));
        QCOMPARE(s.ui().lblPan->text(), QStringLiteral("21"));
        QCOMPARE(s.ui().lblTilt->text(), QStringLiteral("17"));

        // A real pointer, no button held: 37 and 90 pixels into the inner
        // area are 5.44 and 11.8 pad units.
        s.window().show();
        QTest::mouseMove(pad, pad->contentsRect().topLeft() + QPoint(37, 90));
        QCOMPARE(pty.read(7), QByteArray("A5\rB11\r"));
        // Dragged past the left and top edges: about half a unit below
        // zero is -1 on the line, not 0.
        QTest::mousePress(pad, Qt::LeftButton, {}, pad->contentsRect().topLeft() + QPoint(5, 5));
        QTest::mouseMove(pad, pad->contentsRect().topLeft() + QPoint(-13, -13));
        QCOMPARE(pty.read(8), QByteArray("A-1\rB-1\r"));
        QTest::mouseRelease(pad, Qt::LeftButton, {},
                            pad->contentsRect().topLeft() + QPoint(-13, -13));

        // Random pointing disables the pad.
        s.ui().optRandom->setChecked(true);
        QTest::mouseMove(pad, pad->contentsRect().topLeft() + QPoint(80, 80));
        QCOMPARE(pty.drain(), QByteArray());
    }

    void trainingBuildsATableThatSurvivesARestart()
    {
        const QString folder = freshFolder();
        {
            FakeStation s(folder);
            QCOMPARE(s.presets().databaseName(),
                     folder + QDir::separator() + QStringLiteral("Pivora.mdb"));
            TouchPad* pad = s.ui().Picture1;
            s.ui().optTrain->setChecked(true);
            QVERIFY(pad->isEnabled());

            emit pad->Click();
            QCOMPARE(s.status(), QString(texts::noPositionShown));
            QCOMPARE(s.presets().RecordCount(), 0);

            emit pad->MouseMove(7.2f, 12.9f);
            emit pad->Click();
            s.ui().txtDefDelay->setText(QStringLiteral("2.5"));
            emit pad->MouseMove(3.0f, 4.0f);
            emit pad->Click();
            s.ui().txtDefDelay->setText(QStringLiteral("soon"));
            emit pad->Click();
            QCOMPARE(s.status(), QString(texts::defaultDelayNotANumber));

            // Appended as the last rows, cursor back on the first record.
            QCOMPARE(s.grid()->rowCount(), 3);
            QCOMPARE(rowText(s.grid(), 0), QStringLiteral("7/12/3"));
            QCOMPARE(rowText(s.grid(), 1), QStringLiteral("3/4/2.5"));
            QCOMPARE(s.presets().currentRow(), 0);
            QCOMPARE(s.ui().DBGrid1->currentIndex().row(), 0);

            s.ui().optManual->setChecked(true);
            emit pad->Click();
            QCOMPARE(s.presets().RecordCount(), 2);
        }
        FakeStation again(folder);
        QCOMPARE(again.presets().RecordCount(), 2);
        QCOMPARE(rowText(again.grid(), 1), QStringLiteral("3/4/2.5"));
    }

    void sequencedPointingWalksAndFollowsTheGrid()
    {
        FakeStation s(folderWith({{10, 11, 3}, {20, 21, 2.5}, {30, 31, 1}}));
        s.ui().Option1->click();
        s.ui().optsequence->setChecked(true);
        QVERIFY(!s.ui().cmdDelete->isEnabled());
        QVERIFY(!s.ui().Picture1->isEnabled());
        QCOMPARE(s.timer("Timer1")->interval(), 1500);
        QVERIFY(s.timer("Timer1")->isTicking());

        s.tick();
        QCOMPARE(s.serial.written.mid(0, 2), (QList<QByteArray>{"A20\r", "B21\r"}));
        QCOMPARE(s.ui().DBGrid1->currentIndex().row(), 1);
        IntervalTimer* snap = s.timer("tmrSnapPic");
        QCOMPARE(snap->interval(), 1250);
        QVERIFY(snap->isEnabled() && snap->isTicking());

        // An edit in the grid while the walk runs, written when its row is
        // left, and used at that preset's next visit.
        QTableView* grid = s.ui().DBGrid1;
        QVERIFY(grid->model()->setData(grid->model()->index(2, 0), QStringLiteral("77")));
        QCOMPARE(grid->model()->headerData(2, Qt::Vertical).toString(),
                 PresetTableModel::editedMark);
        grid->setCurrentIndex(grid->model()->index(0, 0));
        QTRY_COMPARE(s.presets().value(2, 0), QVariant(77.0));
        s.serial.written.clear();
        s.tick();
        s.tick();
        QCOMPARE(s.serial.written.mid(2, 2), (QList<QByteArray>{"A77\r", "B31\r"}));

        // Deleting every row in the grid ends the walk at its next tick.
        grid->selectAll();
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(s.presets().RecordCount(), 0);
        s.tick();
        QVERIFY(!s.ui().optsequence->isChecked());
        QVERIFY(!s.timer("Timer1")->isEnabled());
        QVERIFY(!s.ui().cmdDelete->isEnabled());
    }

    void gridRefusesBadValuesAndAppendsNewRows()
    {
        const QString folder = folderWith({{1, 1, 3}, {2, 2, 3}});
        FakeStation s(folder);
        QTableView* grid = s.ui().DBGrid1;
        QAbstractItemModel* model = grid->model();
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Pan"));
        QCOMPARE(model->headerData(0, Qt::Vertical).toString(), PresetTableModel::currentMark);
        QCOMPARE(model->headerData(2, Qt::Vertical).toString(), PresetTableModel::newRecordMark);

        QVERIFY(!model->setData(model->index(0, 0), QStringLiteral("abc")));
        QCOMPARE(s.status(), QStringLiteral("Preset not changed: Pan is not a number: \"abc\""));
        QVERIFY(!model->setData(model->index(1, 1), QStringLiteral("32768")));
        QVERIFY(s.status().contains(QStringLiteral("Tilt is outside -32768 to 32767")));
        QCOMPARE(rowText(model, 0), QStringLiteral("1/1/3"));

        // The current row follows the record set, and the other way round.
        s.presets().MoveNext();
        QCOMPARE(grid->currentIndex().row(), 1);
        s.ui().datPivoraNavigator->previousButton()->click();
        QCOMPARE(grid->currentIndex().row(), 0);
        grid->setCurrentIndex(model->index(1, 2));
        QCOMPARE(s.presets().currentRow(), 1);

        // Typed into the new-record row, appended once the row is left.
        QVERIFY(model->setData(model->index(2, 0), QStringLiteral("9")));
        QVERIFY(model->setData(model->index(2, 2), QStringLiteral("1.5")));
        QCOMPARE(s.presets().RecordCount(), 2);
        grid->setCurrentIndex(model->index(0, 0));
        QTRY_COMPARE(s.presets().RecordCount(), 3);
        QCOMPARE(rowText(model, 2), QStringLiteral("9//1.5"));

        // Typing into a cell when the record set moves on: the text is
        // written first, then the grid follows the cursor.
        s.window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.window()));
        grid->setFocus();
        grid->setCurrentIndex(model->index(1, 1));
        QTest::keyClicks(grid, QStringLiteral("5"));
        QVERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
        s.ui().datPivoraNavigator->firstButton()->click();
        QCOMPARE(s.presets().value(1, 1), QVariant(5.0));
        QTRY_COMPARE(grid->currentIndex().row(), 0);

        // Rows picked with the record selectors go with the Delete key.
        grid->selectRow(0);
        grid->selectionModel()->select(model->index(2, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(s.presets().RecordCount(), 1);
        PresetRecordSet file{sqlitePresetFile()};
        file.setDatabaseName(folder + QStringLiteral("/Pivora.mdb"));
        file.open();
        QCOMPARE(file.RecordCount(), 1);
        QCOMPARE(file.value(0, 0), QVariant(2.0));
    }

    void anEditOpenAtClosingIsWritten_data()
    {
        QTest::addColumn<bool>("stopRequest");
        QTest::newRow("window closed") << false;
        // A signal or the session's logout.
        QTest::newRow("stop request") << true;
    }

    void anEditOpenAtClosingIsWritten()
    {
        QFETCH(bool, stopRequest);
        const QString folder = folderWith({{1, 1, 3}});
        {
            FakeStation s(folder);
            QTableView* grid = s.ui().DBGrid1;
            s.window().show();
            QVERIFY(QTest::qWaitForWindowExposed(&s.window()));
            grid->setFocus();
            grid->setCurrentIndex(grid->model()->index(0, 2));
            QTest::keyClicks(grid, QStringLiteral("7"));
            QVERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
            if (stopRequest) // no Enter, no other row
                s.window().End();
            else
                s.window().close();
            QVERIFY(!s.window().isVisible());
        }
        PresetRecordSet file{sqlitePresetFile()};
        file.setDatabaseName(folder + QStringLiteral("/Pivora.mdb"));
        file.open();
        QCOMPARE(file.value(0, 2), QVariant(7.0));
    }

    // The two ways an operator starts a new preset in the grid.
    void newRowTakesOnePresetAsTyped_data()
    {
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("double-click, then type") << true;
        QTest::newRow("click, then type") << false;
    }

    void newRowTakesOnePresetAsTyped()
    {
        QFETCH(bool, doubleClick);
        const QString folder = folderWith({{1, 1, 1}, {2, 2, 2}});
        const QStringList before{QStringLiteral("1/1/1"), QStringLiteral("2/2/2")};
        FakeStation s(folder);
        s.window().show();
        QVERIFY(QTest::qWaitForWindowActive(&s.window()));
        QTableView* grid = s.ui().DBGrid1;

        clickCell(grid, 2, 0, doubleClick);
        type(QStringLiteral("5"));
        press(Qt::Key_Tab);
        // Still on the new row, in the grid and in the record set.
        QCOMPARE(grid->currentIndex(), grid->model()->index(2, 1));
        QVERIFY(s.presets().isEOF());
        QCOMPARE(s.presets().currentRow(), -1);
        QCOMPARE(rowsInFile(folder), before);

        type(QStringLiteral("6"));
        press(Qt::Key_Tab);
        type(QStringLiteral("7"));
        press(Qt::Key_Return); // the editor takes the key first, then closes
        QTRY_COMPARE(rowsInFile(folder), before + QStringList{QStringLiteral("5/6/7")});
        clickCell(grid, 0, 0);
        QCOMPARE(s.presets().currentRow(), 0);
        QCOMPARE(rowsInFile(folder), before + QStringList{QStringLiteral("5/6/7")});
    }

    void editsStayInTheirRow()
    {
        const QString folder = folderWith({{1, 1, 1}, {2, 2, 2}});
        FakeStation s(folder);
        s.window().show();
        QVERIFY(QTest::qWaitForWindowActive(&s.window()));
        QTableView* grid = s.ui().DBGrid1;

        // Back along the row with Shift+Tab; a refused value leaves the
        // cell as it was, with the reason.
        clickCell(grid, 1, 1, true);
        type(QStringLiteral("8"));
        press(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(grid->currentIndex(), grid->model()->index(1, 0));
        type(QStringLiteral("abc"));
        press(Qt::Key_Tab);
        QCOMPARE(s.status(), QStringLiteral("Preset not changed: Pan is not a number: \"abc\""));
        // Escape drops only the text of the open cell.
        type(QStringLiteral("9"));
        press(Qt::Key_Escape);
        press(Qt::Key_Return);
        QCOMPARE(rowsInFile(folder), (QStringList{"1/1/1", "2/8/2"}));

        // A new row left with Escape stores nothing.
        clickCell(grid, 2, 2, true);
        type(QStringLiteral("4"));
        press(Qt::Key_Escape);
        clickCell(grid, 0, 0);
        QCOMPARE(rowsInFile(folder), (QStringList{"1/1/1", "2/8/2"}));

        // Tab from the new row's last cell writes the row and starts the
        // next one, rather than wrapping round into the first preset.
        clickCell(grid, 2, 2, true);
        type(QStringLiteral("4"));
        press(Qt::Key_Tab);
        press(Qt::Key_Tab);
        type(QStringLiteral("3"));
        press(Qt::Key_Return);
        QTRY_COMPARE(rowsInFile(folder), (QStringList{"1/1/1", "2/8/2", "//4", "3//"}));
    }

    void trainingClicksKeepAnOpenEditAndStoreOncePerClick()
    {
        const QString folder = folderWith({{1, 1, 1}, {2, 2, 2}});
        FakeStation s(folder);
        s.window().show();
        QVERIFY(QTest::qWaitForWindowActive(&s.window()));
        s.ui().optTrain->setChecked(true);
        QTableView* grid = s.ui().DBGrid1;
        TouchPad* pad = s.ui().Picture1;
        // 30 and 50 pixels into the pad are 4.6 and 7.0 pad units.
        const QPoint onPad = pad->contentsRect().topLeft() + QPoint(30, 50);

        clickCell(grid, 2, 0, true);
        type(QStringLiteral("5"));
        press(Qt::Key_Tab);
        type(QStringLiteral("6"));
        click(pad, onPad);
        const QStringList stored{"1/1/1", "2/2/2", "5/6/", "4/7/3"};
        QCOMPARE(rowsInFile(folder), stored);
        QCOMPARE(s.presets().currentRow(), 0);

        click(pad, onPad, true);
        QCOMPARE(rowsInFile(folder), stored + QStringList{"4/7/3"});
    }

    void unusableDatabaseLeavesTheRestWorking()
    {
        const QString folder = freshFolder();
        const QString path = folder + QStringLiteral("/Pivora.mdb");
        QFile junk(path);
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(2048, 'x'));
        junk.close();

        FakeStation s(folder);
        QVERIFY(s.status().startsWith(QStringLiteral("Preset database unavailable: ")));
        QCOMPARE(s.grid()->rowCount(), 0);
        s.ui().Option1->click();
        s.ui().optTrain->setChecked(true);
        emit s.ui().Picture1->MouseMove(4.0f, 6.0f);
        QCOMPARE(s.serial.written, (QList<QByteArray>{"A4\r", "B6\r"}));
        emit s.ui().Picture1->Click();
        QVERIFY(s.status().startsWith(QStringLiteral("Preset database unavailable: ")));
        s.ui().cmdDelete->click();
        s.ui().optsequence->setChecked(true);
        QVERIFY(s.ui().Picture1->isEnabled());

        QFile check(path);
        QVERIFY(check.open(QIODevice::ReadOnly));
        QCOMPARE(check.readAll(), QByteArray(2048, 'x'));
    }

    void twoWindowsPointAtTheSameRandomSeries()
    {
        FakeStation first(freshFolder());
        FakeStation second(freshFolder());
        for (FakeStation* s : {&first, &second}) {
            s->ui().Option1->click();
            s->ui().optRandom->setChecked(true);
            QCOMPARE(s->timer("Timer1")->interval(), 1500);
            for (int i = 0; i < 25; ++i)
                s->tick();
            QVERIFY(!s->timer("tmrSnapPic")->isTicking());
        }
        QCOMPARE(first.serial.written.size(), 50);
        QCOMPARE(first.serial.written, second.serial.written);
        QVERIFY(
            QSet<QByteArray>(first.serial.written.cbegin(), first.serial.written.cend()).size() >
            10);
    }
};

QTEST_MAIN(TestPresets)
#include "tst_presets.moc"
