// SPDX-License-Identifier: GPL-3.0-or-later
#include "ServerAddress.h"

#include <QUrl>

namespace {

struct Scheme
{
    QLatin1String prefix;
    ServerAddress::Protocol protocol;
    QLatin1String urlScheme;
};

const Scheme schemes[] = {
    {QLatin1String("ftp://"), ServerAddress::Protocol::Ftp, QLatin1String("ftp")},
    {QLatin1String("ftpes://"), ServerAddress::Protocol::FtpExplicitTls, QLatin1String("ftp")},
    {QLatin1String("ftps://"), ServerAddress::Protocol::FtpImplicitTls, QLatin1String("ftps")},
    {QLatin1String("sftp://"), ServerAddress::Protocol::Sftp, QLatin1String("sftp")},
};

QLatin1String urlScheme(ServerAddress::Protocol protocol)
{
    for (const Scheme& s : schemes)
        if (s.protocol == protocol)
            return s.urlScheme;
    return QLatin1String("ftp");
}

QLatin1String recordScheme(ServerAddress::Protocol protocol)
{
    for (const Scheme& s : schemes)
        if (s.protocol == protocol)
            return s.prefix.chopped(3);
    return QLatin1String("ftp");
}

} // namespace

int ServerAddress::defaultPort(Protocol protocol)
{
    switch (protocol) {
    case Protocol::FtpImplicitTls:
        return 990;
    case Protocol::Sftp:
        return 22;
    case Protocol::Ftp:
    case Protocol::FtpExplicitTls:
        break;
    }
    return 21;
}

std::optional<ServerAddress> ServerAddress::parse(const QString& typed)
{
    QString text = typed.trimmed();
    ServerAddress address;
    const qsizetype schemeEnd = text.indexOf(QLatin1String("://"));
    if (schemeEnd >= 0) {
        bool known = false;
        for (const Scheme& s : schemes) {
            if (text.startsWith(s.prefix, Qt::CaseInsensitive)) {
                address.protocol = s.protocol;
                text = text.mid(s.prefix.size());
                known = true;
                break;
            }
        }
        if (!known)
            return std::nullopt;
    }
    address.port = defaultPort(address.protocol);
    if (text.endsWith(QLatin1Char('/')))
        text.chop(1);
    // A path, a user name or a password in the address would be silently
    // ignored or sent somewhere unexpected; the dialog has fields for them.
    for (QChar c : text)
        if (c == QLatin1Char('/') || c == QLatin1Char('@') || c.isSpace())
            return std::nullopt;

    QString portText;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0)
            return std::nullopt;
        address.host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return std::nullopt;
            portText = rest.mid(1);
        }
    } else if (text.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        address.host = text.left(colon);
        portText = text.mid(colon + 1);
    } else {
        address.host = text;
    }
    if (!portText.isNull()) {
        bool ok = false;
        address.port = portText.toInt(&ok);
        if (!ok || address.port < 1 || address.port > 65535)
            return std::nullopt;
    }
    if (address.host.isEmpty())
        return std::nullopt;
    QUrl probe;
    probe.setHost(address.host);
    if (probe.host().isEmpty() || !probe.isValid())
        return std::nullopt;
    return address;
}

QString ServerAddress::withoutPassword(const QString& text)
{
    const qsizetype start = text.indexOf(QLatin1String("://"));
    const qsizetype at = text.lastIndexOf(QLatin1Char('@'));
    const qsizetype from = start < 0 ? 0 : start + 3;
    if (at < from)
        return text;
    const qsizetype colon = text.indexOf(QLatin1Char(':'), from);
    if (colon < 0 || colon > at)
        return text;
    return text.left(colon) + text.mid(at);
}

QString ServerAddress::url(const QString& remoteName) const
{
    QUrl url;
    url.setScheme(urlScheme(protocol));
    url.setHost(host);
    url.setPort(port);
    QString path = QLatin1Char('/') + remoteName;
    if (protocol == Protocol::Sftp)
        path = remoteName.startsWith(QLatin1Char('/')) ? remoteName
                                                       : QLatin1String("/~/") + remoteName;
    url.setPath(path, QUrl::DecodedMode);
    return QString::fromLatin1(url.toEncoded());
}

QString ServerAddress::urlForRecord(const QString& login, const QString& remoteName) const
{
    const QString shownHost =
        host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    QString text = recordScheme(protocol) + QLatin1String("://");
    if (!login.isEmpty())
        text += login + QLatin1Char('@');
    return text + shownHost + QLatin1Char(':') + QString::number(port) + QLatin1Char('/') +
           remoteName;
}
