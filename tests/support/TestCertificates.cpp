// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestCertificates.h"

#include <QDir>
#include <QFile>
#include <QProcess>

TestCertificate makeTestCertificate(const QString& folder, const QString& name,
                                    const QString& subjectAltName, QString* error)
{
    const QDir dir(folder);
    const QString key = dir.filePath(name + QStringLiteral(".key"));
    const QString certificate = dir.filePath(name + QStringLiteral(".crt"));
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                   QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                   QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=") + name, QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=") + subjectAltName, QStringLiteral("-keyout"),
                   key, QStringLiteral("-out"), certificate});
    if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0) {
        *error = QStringLiteral("openssl: ") + QString::fromLocal8Bit(openssl.readAll());
        return {};
    }
    QFile c(certificate);
    QFile k(key);
    QFile both(dir.filePath(name + QStringLiteral(".pem")));
    if (!c.open(QIODevice::ReadOnly) || !k.open(QIODevice::ReadOnly) ||
        !both.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot combine the certificate and its key");
        return {};
    }
    both.write(c.readAll() + k.readAll());
    return {both.fileName(), certificate};
}
