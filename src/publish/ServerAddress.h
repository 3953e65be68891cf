// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// Where uploads go, as the operator typed it in "FTP Server": "host",
// "host:port", "ftp://", "ftpes://" (explicit TLS), "ftps://" (implicit
// TLS) or "sftp://" in front, an IPv6 address in brackets when a port
// follows. Nothing else is accepted, so a typo never reaches the network.
struct ServerAddress
{
    enum class Protocol
    {
        Ftp,
        FtpExplicitTls,
        FtpImplicitTls,
        Sftp,
    };

    Protocol protocol = Protocol::Ftp;
    QString host;
    int port = 21;

    static std::optional<ServerAddress> parse(const QString& text);
    static int defaultPort(Protocol protocol);
    // The text with whatever sits between "://" and an "@" cut down to the
    // user name: a password typed into the address is never repeated.
    static QString withoutPassword(const QString& text);

    bool isFtp() const { return protocol != Protocol::Sftp; }
    // The URL curl is given for a remote name: for FTP the name is sent as
    // typed, for SFTP a name without a leading "/" is below the home folder.
    QString url(const QString& remoteName) const;
    // The same with the user name in it, for the upload record.
    QString urlForRecord(const QString& login, const QString& remoteName) const;
};
