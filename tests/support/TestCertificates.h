// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Makes a self-signed certificate with the openssl tool: the certificate
// and its key in one PEM file (what the test servers read) and the
// certificate alone in another (what "CACertificate" names). subjectAltName
// is e.g. "IP:127.0.0.1". Empty on failure, with *error set.
struct TestCertificate
{
    QString serverPem;
    QString certificatePem;
};
TestCertificate makeTestCertificate(const QString& folder, const QString& name,
                                    const QString& subjectAltName, QString* error);
