#pragma once

#include <QString>

// A log file that stays small and private: lines are appended, and when
// the file would grow past its cap the older half is dropped first (at a
// line's start). The file is readable by its owner only, also one made
// before by hand. Not thread-safe: each log serialises its own writes.
class CappedLogFile final
{
public:
    CappedLogFile(QString path, qint64 cap);

    QString path() const { return m_path; }
    // False when the line could not be written.
    bool append(const QByteArray& line);

private:
    bool trimToMakeRoomFor(qint64 lineSize);

    QString m_path;
    qint64 m_cap;
};
