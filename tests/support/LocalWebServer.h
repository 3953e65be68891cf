// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

// A small HTTP server on 127.0.0.1 for the browser's tests, on a free port
// the system picks. It serves pages with given titles, records what was
// asked and can hold back the answers for a page until the test releases
// them, so a test sees a load in progress for as long as it needs.
class LocalWebServer final : public QObject
{
    Q_OBJECT
public:
    explicit LocalWebServer(QObject* parent = nullptr);

    bool start();
    // "http://127.0.0.1:<port>" followed by the path.
    QString url(const QString& path = QString()) const;

    void addPage(const QString& path, const QString& title);
    // Requests for the path wait unanswered until release().
    void hold(const QString& path);
    void release();

    // The paths asked for, in order.
    QStringList requests() const { return m_requests; }
    int requestCount(const QString& path) const { return int(m_requests.count(path)); }

signals:
    void requested(const QString& path);

private:
    void onConnection();
    void onReadable(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const QString& path);

    QTcpServer m_server;
    QHash<QString, QString> m_titles;
    QHash<QTcpSocket*, QByteArray> m_received;
    QSet<QString> m_held;
    QList<QPair<QPointer<QTcpSocket>, QString>> m_waiting;
    QStringList m_requests;
};
