// SPDX-License-Identifier: GPL-3.0-or-later
#include "CurlFileTransfer.h"

#include "CurlUploadWorker.h"

#include <curl/curl.h>

CurlFileTransfer::CurlFileTransfer(QObject* parent)
    : FileTransfer(parent)
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    m_worker = new CurlUploadWorker;
    m_worker->moveToThread(&m_thread);
    connect(m_worker, &CurlUploadWorker::finished, this, &CurlFileTransfer::onFinished,
            Qt::QueuedConnection);
    m_thread.setObjectName(QStringLiteral("upload"));
    m_thread.start();
}

CurlFileTransfer::~CurlFileTransfer()
{
    m_worker->abort();
    m_thread.quit();
    m_thread.wait();
    delete m_worker;
    curl_global_cleanup();
}

void CurlFileTransfer::send(const TransferJob& transferJob)
{
    if (m_busy)
        return;
    m_busy = true;
    m_error.clear();
    UploadJob job{
        transferJob, m_server, m_login, m_password, m_options, QDateTime::currentDateTime(), {}};
    job.clock.start();
    CurlUploadWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        m_worker, [worker, job] { worker->run(job); }, Qt::QueuedConnection);
}

void CurlFileTransfer::onFinished(int state, const QString& error, const QString& notice)
{
    m_busy = false;
    m_error = error;
    if (!notice.isEmpty())
        emit this->notice(notice);
    emit TransferStateChanged(state);
}
