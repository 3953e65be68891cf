// SPDX-License-Identifier: GPL-3.0-or-later
#include "NetworkCamera.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QRegularExpression>
#include <QSet>
#include <QUrl>

#include <algorithm>

namespace {

QString groupKey(const QString& name, QLatin1String key)
{
    return name + QLatin1Char('/') + key;
}

constexpr int defaultLatency = 100;
constexpr int maximumLatency = 10000;

} // namespace

bool NetworkCamera::isRtsp() const
{
    return address.startsWith(QLatin1String("rtsp://"), Qt::CaseInsensitive);
}

QString NetworkCamera::shownAddress() const
{
    return networkcameras::withoutLogins(address);
}

QString NetworkCamera::masked(const QString& text) const
{
    QString result = networkcameras::withoutLogins(text);
    if (!password.isEmpty())
        result.replace(password, QStringLiteral("***"));
    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(password));
    if (!password.isEmpty() && encoded != password)
        result.replace(encoded, QStringLiteral("***"));
    return result;
}

namespace networkcameras {

QString withoutLogins(QString text)
{
    // scheme://anything-but-slash-or-space@ : the login part goes.
    static const QRegularExpression login(QStringLiteral("([A-Za-z][A-Za-z0-9+.-]*://)[^/\\s@]*@"));
    return text.replace(login, QStringLiteral("\\1"));
}

QList<NetworkCamera> read(const SettingsStore& settings)
{
    QStringList names;
    for (const QString& key : settings.keys(keys::camerasSection)) {
        const qsizetype slash = key.indexOf(QLatin1Char('/'));
        if (slash > 0 && key.mid(slash + 1) == keys::cameraAddress)
            names.append(key.left(slash));
    }
    std::sort(names.begin(), names.end());
    QList<NetworkCamera> cameras;
    for (const QString& name : names) {
        const auto value = [&](QLatin1String key) {
            return settings.read(keys::camerasSection, groupKey(name, key));
        };
        NetworkCamera camera{name, value(keys::cameraAddress).trimmed(), value(keys::cameraUser),
                             value(keys::cameraPassword)};
        if (camera.address.isEmpty())
            continue;
        bool number = false;
        const int latency = value(keys::cameraLatency).toInt(&number);
        camera.latency =
            number && latency >= 0 && latency <= maximumLatency ? latency : defaultLatency;
        camera.udp = value(keys::cameraTransport)
                         .trimmed()
                         .compare(QLatin1String("udp"), Qt::CaseInsensitive) == 0;
        cameras.append(camera);
    }
    return cameras;
}

void store(const QList<NetworkCamera>& cameras, SettingsStore& settings)
{
    QSet<QString> kept;
    for (const NetworkCamera& camera : cameras) {
        const auto put = [&](QLatin1String key, const QString& value) {
            settings.write(keys::camerasSection, groupKey(camera.name, key), value);
        };
        put(keys::cameraAddress, camera.address);
        put(keys::cameraUser, camera.user);
        put(keys::cameraPassword, camera.password);
        put(keys::cameraLatency, QString::number(camera.latency));
        kept.insert(camera.name);
    }
    for (const NetworkCamera& old : read(settings)) {
        if (kept.contains(old.name))
            continue;
        // The store cannot delete keys; an empty address is no camera, and
        // the login must not outlive it.
        for (QLatin1String key : {keys::cameraAddress, keys::cameraUser, keys::cameraPassword})
            settings.write(keys::camerasSection, groupKey(old.name, key), QString());
    }
}

QString addressProblem(const QString& address)
{
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty())
        return QStringLiteral("the address is not a URL with a host");
    if (scheme != QLatin1String("rtsp") && scheme != QLatin1String("http") &&
        scheme != QLatin1String("https"))
        return QStringLiteral("the address must start with rtsp://, http:// or https://");
    return {};
}

QString nameProblem(const QString& name)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("the camera needs a name");
    if (name != name.trimmed() || name.contains(QLatin1Char('/')) ||
        name.contains(QLatin1Char('\\')))
        return QStringLiteral("a name cannot hold / or \\ or begin or end with a space");
    return {};
}

} // namespace networkcameras
