// SPDX-License-Identifier: GPL-3.0-or-later
#include "WebReply.h"

#include <QJsonDocument>

WebReply WebReply::json(const QJsonObject& object, int status)
{
    WebReply reply;
    reply.status = status;
    reply.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
    return reply;
}

WebReply WebReply::error(int status, const QString& message)
{
    return json(QJsonObject{{QStringLiteral("error"), message}}, status);
}
