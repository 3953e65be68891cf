// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CurlRunner.h"
#include "FileTransfer.h"
#include "ServerAddress.h"
#include "TransferOptions.h"
#include "UploadPlan.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>

// One upload and the settings it runs with, copied when it was given.
struct UploadJob
{
    TransferJob transfer;
    QString server;
    QString login;
    QString password;
    TransferOptions options;
    QDateTime started;
    QElapsedTimer clock;
};

// The transfer's side on its own thread: runs one command at a time to its
// end, reading the local file and the certificates, walking the upload's
// requests, writing the upload record, and reports with finished(). It
// remembers for the run what each server allows when renaming.
class CurlUploadWorker final : public QObject
{
    Q_OBJECT
public:
    // Runs on the worker's thread; ends in finished() unless aborted.
    void run(const UploadJob& job);
    // Thread-safe; the running command and every later one end at once and
    // report nothing.
    void abort() { m_runner.abort(); }

signals:
    // state is FileTransfer::State; notice is empty or something the
    // operator should hear about once.
    void finished(int state, const QString& error, const QString& notice);

private:
    // What an upload carries from its preparation to its requests.
    struct Upload
    {
        ServerAddress address;
        QString remoteName;
        QByteArray payload;
        QByteArray caCertificates;
        QString recordAddress;
    };

    QString prepare(const UploadJob& job, Upload& upload) const;
    QString prepareSecurity(const UploadJob& job, Upload& upload) const;
    QString send(const UploadJob& job, const Upload& upload, QString* notice);
    void record(const UploadJob& job, const Upload& upload, const QString& result) const;

    CurlRunner m_runner;
    // Per server (its URL without a path).
    QHash<QString, UploadPlan::Renaming> m_renaming;
};
