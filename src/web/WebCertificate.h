// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The web remote's certificate and key, as PEM text for the server, with
// the certificate's SHA-256 fingerprint for the operator to compare on the
// phone. Either the operator's own files, or a self-signed EC P-256
// certificate made once in the data folder and reused.
class WebCertificate final
{
public:
    static constexpr const char* certificateFileName = "web-certificate.pem";
    static constexpr const char* keyFileName = "web-key.pem";

    // The operator's certificate and key files: regular files (links are
    // followed, as certificate tools keep them), read whole, the key
    // matching the certificate.
    static WebCertificate fromFiles(const QString& certificatePath, const QString& keyPath);
    // The station's own certificate in `folder`: read when it is there and
    // sound, else made for `names` (host names and addresses) and written
    // owner-only, never through a link and never over a file of someone
    // else's.
    static WebCertificate selfSigned(const QString& folder, const QStringList& names);
    // This machine's host name, "localhost" and its addresses.
    static QStringList stationNames();

    bool isValid() const { return m_error.isEmpty() && !m_certificate.isEmpty(); }
    QString error() const { return m_error; }
    QByteArray certificatePem() const { return m_certificate; }
    QByteArray keyPem() const { return m_key; }
    // "AB:CD:…", 32 pairs.
    QString fingerprint() const { return m_fingerprint; }

private:
    static WebCertificate failure(const QString& why);
    static WebCertificate checked(QByteArray certificate, QByteArray key);

    QByteArray m_certificate;
    QByteArray m_key;
    QString m_fingerprint;
    QString m_error;
};
