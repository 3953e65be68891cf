// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <utility>

// One HTTP answer of the web remote.
struct WebReply
{
    int status = 200;
    QByteArray contentType = "application/json";
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers;

    static WebReply json(const QJsonObject& object, int status = 200);
    // {"error": message} with the status code.
    static WebReply error(int status, const QString& message);
};
