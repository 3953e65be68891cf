// SPDX-License-Identifier: GPL-3.0-or-later
#include "PresetActions.h"
#include "PresetRecordSet.h"
#include "SqlitePresetFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The preset table on real SQLite files: cursor rules, the "Delete" button,
// files made elsewhere, and writes that fail.
class TestPresetRecordSet : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString freshPath() { return m_dir.filePath(QStringLiteral("%1/Pivora.mdb").arg(++m_files)); }

    static std::unique_ptr<PresetRecordSet> openAt(const QString& path)
    {
        auto presets = std::make_unique<PresetRecordSet>(sqlitePresetFile());
        presets->setDatabaseName(path);
        presets->open();
        return presets;
    }

    static void add(PresetRecordSet& presets, const QVariant& pan, const QVariant& tilt = 1,
                    const QVariant& delay = 3)
    {
        presets.AddNew();
        presets.setField(0, pan);
        presets.setField(1, tilt);
        presets.setField(2, delay);
        QVERIFY(presets.Update());
    }

    // Records A, B, C (pans 1, 2, 3) in a new file, cursor on A.
    std::unique_ptr<PresetRecordSet> abc(QString* path = nullptr, int count = 3)
    {
        const QString file = freshPath();
        QDir().mkpath(QFileInfo(file).absolutePath());
        auto presets = openAt(file);
        for (int pan = 1; pan <= count; ++pan)
            add(*presets, pan);
        presets->Refresh();
        if (path)
            *path = file;
        return presets;
    }

    // The pans in the file, read through a new connection.
    static QString pansInFile(const QString& path)
    {
        auto presets = openAt(path);
        QStringList pans;
        for (int row = 0; row < presets->RecordCount(); ++row)
            pans.append(presets->value(row, 0).toString());
        return pans.join(QLatin1Char(','));
    }

    static QString cursor(const PresetRecordSet& presets)
    {
        if (presets.RecordCount() == 0)
            return QStringLiteral("empty");
        if (presets.isBOF())
            return QStringLiteral("BOF");
        if (presets.isEOF())
            return QStringLiteral("EOF");
        return presets.field(QStringLiteral("Pan")).toString();
    }

    static QByteArray digest(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void newFileHoldsTheTableInAddingOrder()
    {
        const QString path = m_dir.filePath(QStringLiteral("new/Pivora.mdb"));
        QDir().mkpath(QFileInfo(path).absolutePath());
        auto presets = openAt(path);
        QVERIFY(presets->isAvailable());
        QCOMPARE(presets->databaseName(), path);
        QVERIFY(QFile::exists(path));
        QVERIFY(presets->isBOF() && presets->isEOF());
        QCOMPARE(
            presets->fieldNames().mid(0, 3),
            (QStringList{QStringLiteral("Pan"), QStringLiteral("Tilt"), QStringLiteral("Delay")}));
        QVERIFY(presets->fieldNames().contains(QStringLiteral("FileName")));

        for (int pan : {10, 20, 30})
            add(*presets, pan);
        presets->MoveFirst();
        presets->MoveNext();
        presets->Delete();
        add(*presets, 40);
        add(*presets, 5);
        QCOMPARE(pansInFile(path), QStringLiteral("10,30,40,5"));

        // Texts written by position become numbers; fractions stay.
        add(*presets, QStringLiteral("7.9"), QStringLiteral("-0.5"), QStringLiteral("2.5"));
        presets->MoveLast();
        QCOMPARE(presets->field(QStringLiteral("Pan")), QVariant(7.9));
        QCOMPARE(presets->field(QStringLiteral("tilt")), QVariant(-0.5));
        QCOMPARE(presets->field(QStringLiteral("Delay")), QVariant(2.5));
        QVERIFY(!presets->field(QStringLiteral("FileName")).isValid());
    }

    void cursorRules()
    {
        auto presets = abc();
        QCOMPARE(cursor(*presets), QStringLiteral("1"));
        presets->MovePrevious();
        QCOMPARE(cursor(*presets), QStringLiteral("BOF"));
        presets->MovePrevious();
        QCOMPARE(cursor(*presets), QStringLiteral("BOF"));
        QVERIFY(!presets->field(QStringLiteral("Pan")).isValid());
        presets->MoveNext();
        QCOMPARE(cursor(*presets), QStringLiteral("1"));
        presets->MoveLast();
        presets->MoveNext();
        QCOMPARE(cursor(*presets), QStringLiteral("EOF"));
        presets->MoveNext();
        QCOMPARE(cursor(*presets), QStringLiteral("EOF"));
        presets->MovePrevious();
        QCOMPARE(cursor(*presets), QStringLiteral("3"));

        // After Delete the cursor keeps the removed record's place.
        presets->moveTo(1);
        presets->Delete();
        QCOMPARE(presets->currentRow(), -1);
        QVERIFY(!presets->isBOF() && !presets->isEOF());
        presets->MoveNext();
        QCOMPARE(cursor(*presets), QStringLiteral("3"));
        presets->moveTo(0);
        presets->Delete();
        presets->MovePrevious();
        QCOMPARE(cursor(*presets), QStringLiteral("BOF"));
    }

    void deleteButton_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("placeCursor");
        QTest::addColumn<QString>("leftInFile");
        QTest::addColumn<QString>("cursorAfter");

        QTest::newRow("empty table") << 0 << ""
                                     << ""
                                     << "empty";
        QTest::newRow("one record") << 1 << ""
                                    << ""
                                    << "empty";
        QTest::newRow("at BOF") << 3 << "previous"
                                << "2,3"
                                << "2";
        QTest::newRow("at EOF") << 3 << "last next"
                                << "2,3"
                                << "2";
        QTest::newRow("first current") << 3 << ""
                                       << "2,3"
                                       << "BOF";
        QTest::newRow("middle current") << 3 << "next"
                                        << "1,3"
                                        << "1";
        QTest::newRow("last current") << 3 << "last"
                                      << "1,2"
                                      << "2";
    }

    void deleteButton()
    {
        QFETCH(int, records);
        QFETCH(QString, placeCursor);
        QFETCH(QString, leftInFile);
        QFETCH(QString, cursorAfter);

        QString path;
        auto presets = abc(&path, records);
        for (const QString& move : placeCursor.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (move == QLatin1String("previous"))
                presets->MovePrevious();
            else if (move == QLatin1String("next"))
                presets->MoveNext();
            else
                presets->MoveLast();
        }
        presetactions::deleteClicked(*presets);
        QCOMPARE(cursor(*presets), cursorAfter);
        QCOMPARE(pansInFile(path), leftInFile);
    }

    void deleteAfterFirstRemovesTheNewFirst()
    {
        QString path;
        auto presets = abc(&path);
        presetactions::deleteClicked(*presets);
        presetactions::deleteClicked(*presets);
        QCOMPARE(cursor(*presets), QStringLiteral("3"));
        QCOMPARE(pansInFile(path), QStringLiteral("3"));
    }

    void foreignFilesAreLeftAlone_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QString>("reasonPart");
        QTest::newRow("random bytes") << ""
                                      << "not a SQLite database (file is not a database)";
        QTest::newRow("no table") << "CREATE TABLE Other (Pan REAL)"
                                  << "no table LineEntry";
        QTest::newRow("no Delay")
            << "CREATE TABLE LineEntry (Pan REAL, Tilt REAL, Speed REAL, FileName TEXT)"
            << "no field Delay";
        QTest::newRow("no FileName") << "CREATE TABLE LineEntry (Pan REAL, Tilt REAL, Delay REAL)"
                                     << "no field FileName";
        QTest::newRow("other order")
            << "CREATE TABLE LineEntry (Tilt REAL, Pan REAL, Delay REAL, FileName TEXT)"
            << "not Pan, Tilt and Delay";
    }

    void foreignFilesAreLeftAlone()
    {
        QFETCH(QString, schema);
        QFETCH(QString, reasonPart);
        const QString path = freshPath();
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (schema.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QByteArray bytes(4096, Qt::Uninitialized);
            QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(bytes.data()),
                                          bytes.size() / 4);
            file.write(bytes);
        } else {
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), path);
                db.setDatabaseName(path);
                QVERIFY(db.open());
                QSqlQuery query(db);
                QVERIFY(query.exec(schema));
                query.exec(QStringLiteral("INSERT INTO %1 VALUES (1, 2, 3%2)")
                               .arg(schema.section(QLatin1Char(' '), 2, 2),
                                    schema.count(QLatin1Char(',')) > 2 ? ", 'x'" : ""));
            }
            QSqlDatabase::removeDatabase(path);
        }
        const QByteArray before = digest(path);

        auto presets = std::make_unique<PresetRecordSet>(sqlitePresetFile());
        QSignalSpy status(presets.get(), &PresetRecordSet::status);
        presets->setDatabaseName(path);
        presets->open();
        QVERIFY(!presets->isAvailable());
        QCOMPARE(presets->databaseName(), path);
        QVERIFY2(presets->unavailableReason().contains(reasonPart),
                 qPrintable(presets->unavailableReason()));
        QCOMPARE(status.count(), 1);
        QCOMPARE(status.first().first().toString(),
                 QStringLiteral("Preset database unavailable: ") + presets->unavailableReason());

        // An empty table to every caller, and writes go nowhere.
        QCOMPARE(presets->RecordCount(), 0);
        QVERIFY(presets->isBOF() && presets->isEOF());
        presets->AddNew();
        presets->setField(0, 5);
        QVERIFY(!presets->Update());
        presetactions::deleteClicked(*presets);
        presets->Refresh();
        presets.reset();
        QCOMPARE(digest(path), before);
    }

    void lockedFileRefusesWritesWhole()
    {
        QString path;
        auto presets = abc(&path, 2);
        QSignalSpy status(presets.get(), &PresetRecordSet::status);
        const QString other = QStringLiteral("locker");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), other);
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery lock(db);
            QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));

            presets->AddNew();
            presets->setField(0, 9);
            QVERIFY(!presets->Update());
            QVERIFY(!presets->updateRecord(0, {{0, 50}, {1, 60}}));
            presets->Delete();
            QCOMPARE(presets->RecordCount(), 2);
            QCOMPARE(presets->value(0, 0), QVariant(1.0));
            QCOMPARE(status.count(), 3);
            QVERIFY(
                status.at(0).first().toString().startsWith(QStringLiteral("Preset not stored: ")));
            QVERIFY(
                status.at(2).first().toString().startsWith(QStringLiteral("Preset not deleted: ")));
            QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
        }
        QSqlDatabase::removeDatabase(other);
        QCOMPARE(pansInFile(path), QStringLiteral("1,2"));
    }

    void refusedValuesWriteNothing()
    {
        QString path;
        auto presets = abc(&path, 2);
        QSignalSpy status(presets.get(), &PresetRecordSet::status);
        // One good and one refused change: neither is written.
        QVERIFY(
            !presets->updateRecord(1, {{0, QStringLiteral("8")}, {1, QStringLiteral("40000")}}));
        QCOMPARE(status.count(), 1);
        QCOMPARE(status.at(0).first().toString(),
                 QStringLiteral("Preset not changed: Tilt is outside -32768 to 32767: \"40000\""));
        QVERIFY(!presets->updateRecord(1, {{0, QStringLiteral("-32768.5")}}));
        QVERIFY(presets->updateRecord(1, {{0, QStringLiteral("32767.9")}}));
        QCOMPARE(pansInFile(path), QStringLiteral("1,32767.9"));
    }

    void unwritableFolderMovesTheFileToTheUserDataFolder()
    {
        auto presets = openAt(QStringLiteral("/nonexistent/kivra/Pivora.mdb"));
        const QString expected =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
            QStringLiteral("/KivraWebcam/Pivora.mdb");
        QCOMPARE(presets->databaseName(), expected);
        QVERIFY(presets->isAvailable());
        QVERIFY(QFile::exists(expected));
    }
};

QTEST_GUILESS_MAIN(TestPresetRecordSet)
#include "tst_presetrecordset.moc"
