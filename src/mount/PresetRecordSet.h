#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

// The preset table's data source. Start-up only tells it where the database
// file lives; the table is opened once the main window has loaded.
//
// Until the table is built this stands for an empty table. ("EOF" is a
// C library macro, hence isBOF()/isEOF().)
class PresetRecordSet final : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    void setDatabaseName(const QString& path) { m_databaseName = path; }
    QString databaseName() const { return m_databaseName; }

    bool isBOF() const { return true; }
    bool isEOF() const { return true; }
    int RecordCount() const { return 0; }
    // A field of the current record by name; an invalid QVariant for Null or
    // when there is no current record.
    QVariant field(const QString& name) const
    {
        Q_UNUSED(name);
        return {};
    }

private:
    QString m_databaseName;
};
