#include "RequestRules.h"

#include <QCryptographicHash>
#include <QList>
#include <QUrlQuery>

namespace tc4dl::live {

namespace {

// A header value is a list of items separated by `separator`; at most this many are looked
// at, so a long header costs no more than a short one.
constexpr qsizetype kMaxListItems = 32;

QList<QByteArray> items(const QByteArray& value, char separator)
{
    QList<QByteArray> list = value.split(separator);
    if (list.size() > kMaxListItems)
        list.resize(kMaxListItems);
    for (QByteArray& item : list)
        item = item.trimmed();
    return list;
}

// The weight of one Accept-Language item: "q=0.8" after its ';', 1 without; 0 when unreadable.
double weightOf(const QByteArray& parameters)
{
    for (const QByteArray& p : items(parameters, ';')) {
        if (!p.startsWith("q=") && !p.startsWith("Q="))
            continue;
        bool ok = false;
        const double q = p.mid(2).toDouble(&ok);
        return ok && q >= 0.0 && q <= 1.0 ? q : 0.0;
    }
    return 1.0;
}

std::optional<int> minutesOf(const QString& text)
{
    if (text.isEmpty())
        return kDefaultHistoryMinutes;
    if (text.size() > 4)
        return std::nullopt;
    bool ok = false;
    const int minutes = text.toInt(&ok);
    if (!ok || minutes < 1 || minutes > kMaxHistoryMinutes)
        return std::nullopt;
    return minutes;
}

QByteArray queryToken(const QUrlQuery& query)
{
    return query.queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded).toUtf8();
}

} // namespace

Route routeOf(const QString& path)
{
    if (path == QLatin1String("/"))
        return Route::Page;
    if (path == QLatin1String("/api/current"))
        return Route::Current;
    if (path == QLatin1String("/api/history"))
        return Route::History;
    if (path == QLatin1String("/api/events"))
        return Route::Events;
    return Route::NotFound;
}

QByteArray bearerToken(const QByteArray& authorization)
{
    const QByteArray value = authorization.trimmed();
    constexpr qsizetype kScheme = 7; // "Bearer "
    if (value.size() <= kScheme || qstrnicmp(value.constData(), "bearer ", kScheme) != 0)
        return {};
    return value.mid(kScheme).trimmed();
}

QByteArray cookieToken(const QByteArray& cookie)
{
    const QByteArray name = QByteArray(kTokenCookie) + '=';
    for (const QByteArray& item : items(cookie, ';')) {
        if (item.startsWith(name))
            return item.mid(name.size());
    }
    return {};
}

PageLanguage languageOf(const QByteArray& acceptLanguage)
{
    double english = -1.0;
    double german = -1.0;
    for (const QByteArray& item : items(acceptLanguage, ',')) {
        const qsizetype semicolon = item.indexOf(';');
        const QByteArray tag = (semicolon < 0 ? item : item.left(semicolon)).trimmed().toLower();
        const double q = semicolon < 0 ? 1.0 : weightOf(item.mid(semicolon + 1));
        if (q <= 0.0)
            continue;
        const qsizetype dash = tag.indexOf('-');
        const QByteArray primary = dash < 0 ? tag : tag.left(dash);
        // The first item of the highest weight wins, as the browser listed them.
        if (primary == "de" && q > german)
            german = q;
        else if (primary == "en" && q > english)
            english = q;
    }
    return german > english ? PageLanguage::German : PageLanguage::English;
}

bool tokensMatch(const QByteArray& given, const QByteArray& expected)
{
    const QByteArray a = QCryptographicHash::hash(given, QCryptographicHash::Sha256);
    const QByteArray b = QCryptographicHash::hash(expected, QCryptographicHash::Sha256);
    unsigned difference = 0;
    for (qsizetype i = 0; i < a.size() && i < b.size(); ++i)
        difference |= static_cast<unsigned>(static_cast<quint8>(a[i]) ^ static_cast<quint8>(b[i]));
    return difference == 0 && a.size() == b.size() && !expected.isEmpty();
}

Decision decide(const RequestHead& head, const QByteArray& token)
{
    Decision d;
    const QUrlQuery query(head.url);
    if (!token.isEmpty()) {
        const QByteArray fromQuery = queryToken(query);
        // Every source is compared, so that the time taken does not say which one was tried.
        const bool bearer = tokensMatch(bearerToken(head.authorization), token);
        const bool inAddress = tokensMatch(fromQuery, token);
        const bool inCookie = tokensMatch(cookieToken(head.cookie), token);
        if (!bearer && !inAddress && !inCookie) {
            d.status = 401;
            return d;
        }
        d.setCookie = inAddress && !inCookie;
    }
    d.route = routeOf(head.url.path(QUrl::FullyEncoded));
    if (d.route == Route::NotFound) {
        d.status = 404;
        return d;
    }
    if (!head.get) {
        d.status = 405;
        return d;
    }
    d.language = languageOf(head.acceptLanguage);
    if (d.route == Route::History) {
        const QString meter = query.queryItemValue(QStringLiteral("meter"), QUrl::FullyDecoded);
        const std::optional<int> minutes
            = minutesOf(query.queryItemValue(QStringLiteral("minutes"), QUrl::FullyDecoded));
        if (meter.isEmpty() || meter.size() > kMaxMeterName || !minutes) {
            d.status = 400;
            return d;
        }
        d.meter = meter;
        d.minutes = *minutes;
    }
    d.setCookie = d.setCookie && d.route == Route::Page;
    d.status = 200;
    return d;
}

} // namespace tc4dl::live
