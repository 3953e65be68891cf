// SPDX-License-Identifier: GPL-3.0-or-later
#include "SqlitePresetStorage.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString driver = QStringLiteral("QSQLITE");
// The user-interface thread does the writes; a file locked by someone else
// is reported quickly rather than waited for. The first look at a file does
// not wait at all: the caller tries again later on its own timer.
const QString busyTimeout = QStringLiteral("QSQLITE_BUSY_TIMEOUT=200");
const QString lookOptions = QStringLiteral("QSQLITE_BUSY_TIMEOUT=0;QSQLITE_OPEN_READONLY");
const QStringList leadingFields = {QStringLiteral("Pan"), QStringLiteral("Tilt"),
                                   QStringLiteral("Delay")};
const QString fileNameField = QStringLiteral("FileName");

QString quoted(const QString& identifier)
{
    QString escaped = identifier;
    escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString errorText(const QSqlError& error)
{
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.text().trimmed() : text;
}

// SQLITE_BUSY and SQLITE_LOCKED, with or without their extended codes.
bool isLock(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    return ok && (code == 5 || code == 6);
}

bool fail(QString* reason, const QString& text)
{
    if (reason)
        *reason = text;
    return false;
}

} // namespace

SqlitePresetStorage::SqlitePresetStorage()
{
    static QAtomicInteger<quint64> counter;
    m_connection = QStringLiteral("kivra-presets-%1").arg(counter.fetchAndAddRelaxed(1));
}

SqlitePresetStorage::~SqlitePresetStorage()
{
    disconnect();
}

bool SqlitePresetStorage::connect(const QString& path, bool readOnly, QString* reason)
{
    disconnect();
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_connection);
    db.setDatabaseName(path);
    db.setConnectOptions(readOnly ? lookOptions : busyTimeout);
    if (db.open())
        return true;
    const QSqlError error = db.lastError();
    disconnect();
    return refused(error, reason);
}

bool SqlitePresetStorage::refused(const QSqlError& error, QString* reason,
                                  const QString& notDatabase)
{
    m_locked = isLock(error);
    const QString text = errorText(error);
    if (m_locked || notDatabase.isEmpty())
        return fail(reason, text);
    return fail(reason, QStringLiteral("%1 is not a SQLite database (%2)").arg(notDatabase, text));
}

void SqlitePresetStorage::disconnect()
{
    if (!QSqlDatabase::contains(m_connection))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

bool SqlitePresetStorage::open(const QString& path, QString* reason)
{
    m_fields.clear();
    m_key.clear();
    m_locked = false;
    const QString name = QFileInfo(path).fileName();
    if (QFileInfo::exists(path)) {
        // Look before touching: a foreign file must stay byte for byte.
        if (!connect(path, /*readOnly=*/true, reason))
            return false;
        const bool usable = readLayout(name, reason);
        disconnect();
        if (!usable)
            return false;
        if (!connect(path, /*readOnly=*/false, reason))
            return false;
    } else {
        if (!connect(path, /*readOnly=*/false, reason))
            return false;
        if (!createTable(reason)) {
            disconnect();
            return false;
        }
    }
    if (readLayout(name, reason))
        return true;
    disconnect();
    return false;
}

bool SqlitePresetStorage::createTable(QString* reason)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    const QString sql = QStringLiteral("CREATE TABLE %1 (Pan REAL, Tilt REAL, Delay REAL, "
                                       "FileName TEXT, ID INTEGER PRIMARY KEY AUTOINCREMENT)")
                            .arg(tableName);
    if (query.exec(sql))
        return true;
    return refused(query.lastError(), reason);
}

bool SqlitePresetStorage::readLayout(const QString& fileName, QString* reason)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    // A file that is no database, or is locked, fails already here; its
    // reason is SQLite's, not what binding to a failed statement would say.
    if (!query.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                      "name = ? COLLATE NOCASE")))
        return refused(query.lastError(), reason, fileName);
    query.addBindValue(tableName);
    if (!query.exec())
        return refused(query.lastError(), reason, fileName);
    if (!query.next())
        return fail(reason, QStringLiteral("%1 has no table %2").arg(fileName, tableName));
    const QString table = query.value(0).toString();

    if (!query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(quoted(table))))
        return refused(query.lastError(), reason);
    QStringList columns;
    QString integerKey;
    int keyColumns = 0;
    while (query.next()) {
        const QString column = query.value(1).toString();
        columns.append(column);
        if (query.value(5).toInt() > 0) {
            ++keyColumns;
            if (query.value(2).toString().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) ==
                0)
                integerKey = column;
        }
    }
    for (int i = 0; i < leadingFields.size(); ++i) {
        if (!columns.contains(leadingFields[i], Qt::CaseInsensitive))
            return fail(
                reason,
                QStringLiteral("table %1 has no field %2").arg(tableName, leadingFields[i]));
        if (columns[i].compare(leadingFields[i], Qt::CaseInsensitive) != 0)
            return fail(reason, QStringLiteral("the first fields of table %1 are not Pan, "
                                               "Tilt and Delay in this order")
                                    .arg(tableName));
    }
    if (!columns.contains(fileNameField, Qt::CaseInsensitive))
        return fail(reason,
                    QStringLiteral("table %1 has no field %2").arg(tableName, fileNameField));

    // A table made elsewhere without an integer key still keeps its rows in
    // the order SQLite's row ids give them.
    const bool namedField = leadingFields.contains(integerKey, Qt::CaseInsensitive) ||
                            integerKey.compare(fileNameField, Qt::CaseInsensitive) == 0;
    if (keyColumns == 1 && !integerKey.isEmpty() && !namedField) {
        m_key = quoted(integerKey);
        columns.removeOne(integerKey);
    } else {
        m_key = QStringLiteral("rowid");
    }
    m_fields = columns;
    return true;
}

bool SqlitePresetStorage::readAll(QList<Record>* records, QString* reason)
{
    records->clear();
    if (m_fields.isEmpty())
        return fail(reason, QStringLiteral("the table is not open"));
    QStringList columns;
    for (const QString& field : m_fields)
        columns.append(quoted(field));
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    const QString sql = QStringLiteral("SELECT %1, %2 FROM %3 ORDER BY %1")
                            .arg(m_key, columns.join(QLatin1String(", ")), tableName);
    if (!query.exec(sql))
        return fail(reason, errorText(query.lastError()));
    while (query.next()) {
        Record record;
        record.key = query.value(0).toLongLong();
        for (int i = 0; i < m_fields.size(); ++i)
            record.values.append(query.value(i + 1));
        records->append(record);
    }
    if (query.lastError().isValid()) {
        records->clear();
        return fail(reason, errorText(query.lastError()));
    }
    return true;
}

bool SqlitePresetStorage::append(const QVariantList& values, qint64* key, QString* reason)
{
    if (m_fields.isEmpty())
        return fail(reason, QStringLiteral("the table is not open"));
    QStringList columns;
    QStringList marks;
    for (const QString& field : m_fields) {
        columns.append(quoted(field));
        marks.append(QStringLiteral("?"));
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(tableName, columns.join(QLatin1String(", ")),
                                marks.join(QLatin1String(", ")))))
        return fail(reason, errorText(query.lastError()));
    for (int i = 0; i < m_fields.size(); ++i)
        query.addBindValue(i < values.size() ? values[i] : QVariant());
    if (!query.exec())
        return fail(reason, errorText(query.lastError()));
    *key = query.lastInsertId().toLongLong();
    return true;
}

bool SqlitePresetStorage::update(qint64 key, const QHash<int, QVariant>& changes, QString* reason)
{
    if (changes.isEmpty())
        return true;
    QStringList assignments;
    QVariantList bound;
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (it.key() < 0 || it.key() >= m_fields.size())
            return fail(reason, QStringLiteral("no field at position %1").arg(it.key()));
        assignments.append(quoted(m_fields[it.key()]) + QLatin1String(" = ?"));
        bound.append(it.value());
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                           .arg(tableName, assignments.join(QLatin1String(", ")), m_key)))
        return fail(reason, errorText(query.lastError()));
    for (const QVariant& value : bound)
        query.addBindValue(value);
    query.addBindValue(key);
    if (!query.exec())
        return fail(reason, errorText(query.lastError()));
    if (query.numRowsAffected() != 1)
        return fail(reason, QStringLiteral("the record is no longer in the table"));
    return true;
}

bool SqlitePresetStorage::remove(qint64 key, QString* reason)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(tableName, m_key)))
        return fail(reason, errorText(query.lastError()));
    query.addBindValue(key);
    if (!query.exec())
        return fail(reason, errorText(query.lastError()));
    if (query.numRowsAffected() != 1)
        return fail(reason, QStringLiteral("the record is no longer in the table"));
    return true;
}
