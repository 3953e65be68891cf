#pragma once

#include <QObject>
#include <QString>

// The preset table's data source. Start-up only tells it where the database
// file lives; the table is opened once the main window has loaded.
class PresetRecordSet final : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    void setDatabaseName(const QString& path) { m_databaseName = path; }
    QString databaseName() const { return m_databaseName; }

private:
    QString m_databaseName;
};
