// Which key may go to which server, and what a request does when the keyring cannot say.
#include "core/ServerKeys.h"

#include <QUrl>

#include "core/KeyRequirement.h"
#include "core/SettingsStore.h"

namespace quillet::ServerKeys {

namespace {

QUrl urlOf(const QString& baseURL) {
    return QUrl(baseURL.trimmed(), QUrl::StrictMode);
}

// A line break or other control character would split the Authorization header: such a key is
// refused rather than sent malformed.
bool fitsHeader(const QString& key) {
    for (const QChar c : key)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    return true;
}

}  // namespace

bool isDefaultService(const QString& baseURL) {
    const QUrl url = urlOf(baseURL);
    const QUrl service(SettingsStore::defaultApiBaseURL);
    return url.isValid() && url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 &&
           url.host().compare(service.host(), Qt::CaseInsensitive) == 0 && url.port(443) == 443;
}

QString slotOf(const QString& baseURL) {
    if (isDefaultService(baseURL))
        return QString();
    const QUrl url = urlOf(baseURL);
    if (!url.isValid() || url.host().isEmpty())
        return baseURL.trimmed();
    const QString scheme = url.scheme().toLower();
    QString address = scheme + QStringLiteral("://");
    const QString host = url.host().toLower();
    address += host.contains(u':') ? u'[' + host + u']' : host;
    const int port = url.port();
    if (port >= 0 && port != (scheme == u"https" ? 443 : 80))
        address += u':' + QString::number(port);
    QString path = url.path();
    while (path.endsWith(u'/'))
        path.chop(1);
    // "http://host:8080/v1" is how local servers write their address; requests go to the same place.
    if (path.endsWith(QLatin1String("/v1")))
        path.chop(3);
    while (path.endsWith(u'/'))
        path.chop(1);
    return address + path;
}

bool isLoopback(const QString& host) {
    QString name = host.toLower();
    if (name.endsWith(u'.'))
        name.chop(1);
    if (name == QLatin1String("localhost") || name == QLatin1String("::1"))
        return true;
    // 127.0.0.0/8, also as an IPv6-mapped address; QUrl writes both in their short forms.
    if (name.startsWith(QLatin1String("::ffff:")))
        name = name.mid(7);
    const QStringList parts = name.split(u'.');
    if (parts.size() != 4)
        return false;
    for (const QString& part : parts) {
        bool number = false;
        const int value = part.toInt(&number);
        if (!number || part.isEmpty() || value < 0 || value > 255)
            return false;
    }
    return parts.first().toInt() == 127;
}

bool isPlainRemote(const QString& baseURL) {
    const QUrl url = urlOf(baseURL);
    return url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) != 0 && !isLoopback(url.host());
}

Decision decide(const QString& baseURL, const KeyAnswer& answer) {
    const bool required = KeyRequirement::isRequired(baseURL);
    switch (answer.state) {
        case KeyAnswer::State::found:
            if (answer.key.isEmpty())
                break;
            if (!fitsHeader(answer.key))
                return {{}, OpenAIError::invalidKey(), {}};
            // In clear text across the network only where the user allowed it, for this server.
            if (isPlainRemote(baseURL) && !answer.plainHttpAllowed)
                return {{}, {}, OpenAIError::keyWithheld()};
            return {answer.key, {}, {}};
        case KeyAnswer::State::none:
            break;
        case KeyAnswer::State::locked:
            // A key is saved for this server, so it wants one: going without would only be refused.
            return {{}, OpenAIError::keyringLocked(), {}};
        case KeyAnswer::State::unavailable:
            if (required || answer.expected)
                return {{}, OpenAIError::keyringUnavailable(), {}};
            // A server of the user's own may need no key; if it wants one, the keyring is why it has none.
            return {{}, {}, OpenAIError::keyringUnavailable()};
    }
    if (required)
        return {{}, OpenAIError::missingKey(), {}};
    return {};
}

}  // namespace quillet::ServerKeys
