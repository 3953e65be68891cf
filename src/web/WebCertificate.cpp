// SPDX-License-Identifier: GPL-3.0-or-later
#include "WebCertificate.h"

#include <QDir>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace {

template <typename T, void (*Free)(T*)> struct Freer
{
    void operator()(T* p) const { Free(p); }
};
using Bio = std::unique_ptr<BIO, Freer<BIO, BIO_free_all>>;
using Cert = std::unique_ptr<X509, Freer<X509, X509_free>>;
using Key = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY, EVP_PKEY_free>>;

constexpr qint64 largestPem = 64 * 1024;
constexpr long validDays = 3650;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A whole PEM file of bounded size; `ownOnly` refuses links and files of
// other users, for the files the station writes itself.
QByteArray readPem(const QString& path, bool ownOnly, QString* why)
{
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (ownOnly ? O_NOFOLLOW : 0);
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0) {
        *why = path + QStringLiteral(": ") + systemError(errno);
        return {};
    }
    struct stat st
    {};
    QByteArray bytes;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > largestPem ||
        (ownOnly && st.st_uid != ::geteuid())) {
        *why = path + QStringLiteral(": not a certificate file of this user");
    } else {
        bytes.resize(qsizetype(st.st_size));
        const ssize_t got = ::read(fd, bytes.data(), size_t(bytes.size()));
        if (got != ssize_t(bytes.size()))
            *why = path + QStringLiteral(": could not be read whole");
    }
    ::close(fd);
    return why->isEmpty() ? bytes : QByteArray();
}

// Written under a fresh name and renamed into place, so a reader never
// sees half a key and a link planted at the final name is replaced, not
// followed.
bool writeOwnerOnly(const QString& path, const QByteArray& bytes, QString* why)
{
    const QByteArray target = QFile::encodeName(path);
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        unsigned char r[6];
        RAND_bytes(r, sizeof r);
        temporary = target + ".new-" + QByteArray(reinterpret_cast<char*>(r), 6).toHex();
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    0600);
    }
    if (fd < 0) {
        *why = path + QStringLiteral(": ") + systemError(errno);
        return false;
    }
    const bool written =
        ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size() && ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!written || ::rename(temporary.constData(), target.constData()) != 0) {
        *why = path + QStringLiteral(": ") + systemError(written ? errno : error);
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

QByteArray pemOf(X509* cert)
{
    Bio bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_X509(bio.get(), cert);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, qsizetype(size));
}

QByteArray pemOf(EVP_PKEY* key)
{
    Bio bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, qsizetype(size));
}

QByteArray alternativeNames(const QStringList& names)
{
    QByteArrayList parts;
    for (const QString& name : names) {
        const QHostAddress address(name);
        if (!address.isNull())
            parts.append("IP:" + address.toString().toLatin1());
        else if (!name.isEmpty() && name.toLatin1() == name.toUtf8() && !name.contains(','))
            parts.append("DNS:" + name.toLatin1());
    }
    return parts.join(',');
}

bool addAlternativeNames(X509* cert, const QStringList& names)
{
    const QByteArray value = alternativeNames(names);
    if (value.isEmpty())
        return true;
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension =
        X509V3_EXT_conf_nid(nullptr, &context, NID_subject_alt_name, value.constData());
    if (!extension)
        return false;
    const bool added = X509_add_ext(cert, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

Cert makeCertificate(EVP_PKEY* key, const QStringList& names)
{
    Cert cert(X509_new());
    unsigned char serial[16];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7f;
    BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(number, X509_get_serialNumber(cert.get()));
    BN_free(number);
    X509_set_version(cert.get(), 2);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), validDays * 24 * 3600);
    X509_set_pubkey(cert.get(), key);
    const QByteArray common =
        (names.isEmpty() ? QStringLiteral("KivraWebcam") : names.first()).left(64).toUtf8();
    X509_NAME* subject = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(common.constData()), -1, -1,
                               0);
    X509_set_issuer_name(cert.get(), subject);
    if (!addAlternativeNames(cert.get(), names) || X509_sign(cert.get(), key, EVP_sha256()) == 0)
        return nullptr;
    return cert;
}

} // namespace

WebCertificate WebCertificate::failure(const QString& why)
{
    WebCertificate c;
    c.m_error = why;
    return c;
}

WebCertificate WebCertificate::checked(QByteArray certificate, QByteArray key)
{
    Bio certBio(BIO_new_mem_buf(certificate.constData(), int(certificate.size())));
    Bio keyBio(BIO_new_mem_buf(key.constData(), int(key.size())));
    Cert cert(PEM_read_bio_X509(certBio.get(), nullptr, nullptr, nullptr));
    Key pkey(PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr));
    if (!cert)
        return failure(QStringLiteral("the certificate is not a PEM certificate"));
    if (!pkey)
        return failure(QStringLiteral("the key is not a PEM private key without a passphrase"));
    if (X509_check_private_key(cert.get(), pkey.get()) != 1)
        return failure(QStringLiteral("the key does not belong to the certificate"));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    X509_digest(cert.get(), EVP_sha256(), digest, &length);
    WebCertificate c;
    c.m_certificate = std::move(certificate);
    c.m_key = std::move(key);
    c.m_fingerprint = QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex(':').toUpper());
    return c;
}

WebCertificate WebCertificate::fromFiles(const QString& certificatePath, const QString& keyPath)
{
    QString why;
    QByteArray certificate = readPem(certificatePath, false, &why);
    QByteArray key = why.isEmpty() ? readPem(keyPath, false, &why) : QByteArray();
    if (!why.isEmpty())
        return failure(why);
    return checked(std::move(certificate), std::move(key));
}

WebCertificate WebCertificate::selfSigned(const QString& folder, const QStringList& names)
{
    const QString certPath = folder + QLatin1Char('/') + QLatin1String(certificateFileName);
    const QString keyPath = folder + QLatin1Char('/') + QLatin1String(keyFileName);
    QString why;
    QByteArray certificate = readPem(certPath, true, &why);
    QByteArray key = why.isEmpty() ? readPem(keyPath, true, &why) : QByteArray();
    if (why.isEmpty()) {
        WebCertificate kept = checked(std::move(certificate), std::move(key));
        if (kept.isValid())
            return kept;
    }
    // A file that is there but is a link or someone else's is a warning,
    // not something to replace.
    struct stat st
    {};
    for (const QString& path : {certPath, keyPath})
        if (::lstat(QFile::encodeName(path).constData(), &st) == 0 &&
            (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()))
            return failure(path + QStringLiteral(": not a file of this user, left alone"));

    if (!QDir().mkpath(folder))
        return failure(folder + QStringLiteral(": the folder cannot be made"));
    Key pkey(EVP_EC_gen("P-256"));
    Cert cert = pkey ? makeCertificate(pkey.get(), names) : nullptr;
    if (!cert)
        return failure(QStringLiteral("no certificate could be made"));
    const QByteArray keyPem = pemOf(pkey.get());
    const QByteArray certPem = pemOf(cert.get());
    // The key first: a certificate in place always has its key beside it.
    if (!writeOwnerOnly(keyPath, keyPem, &why) || !writeOwnerOnly(certPath, certPem, &why))
        return failure(why);
    return checked(certPem, keyPem);
}

QStringList WebCertificate::stationNames()
{
    QStringList names{QHostInfo::localHostName(), QStringLiteral("localhost")};
    for (const QHostAddress& address : QNetworkInterface::allAddresses())
        if (address.scopeId().isEmpty())
            names.append(address.toString());
    names.removeDuplicates();
    names.removeAll(QString());
    return names;
}
