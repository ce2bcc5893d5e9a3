#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace tc4dl::live {

// What the server reads of a request, taken from the HTTP library's parsed request: these are
// the bytes a client chose, so everything below treats them as hostile.
struct RequestHead {
    bool get = true; // the method is GET
    QUrl url; // path and query as the library decoded them
    QByteArray authorization;
    QByteArray cookie;
    QByteArray acceptLanguage;
};

enum class Route { Page, Current, History, Events, NotFound };
enum class PageLanguage { English, German };

// How one request is answered, decided before anything is read or written: the status, and
// for a 200 what to send.
struct Decision {
    int status = 404;
    Route route = Route::NotFound;
    PageLanguage language = PageLanguage::English;
    // The token came in the address: the page's answer sets it as the session's cookie.
    bool setCookie = false;
    QString meter; // History
    int minutes = 60; // History
};

inline constexpr int kMaxHistoryMinutes = 1440;
inline constexpr int kDefaultHistoryMinutes = 60;
inline constexpr qsizetype kMaxMeterName = 64;
// The cookie that keeps the token for the rest of the browser's session.
inline constexpr char kTokenCookie[] = "tc4dl_live";

// The route of a path: exact names only, so no spelling of a path reaches anything else.
[[nodiscard]] Route routeOf(const QString& path);
// The token of "Authorization: Bearer TOKEN"; empty otherwise.
[[nodiscard]] QByteArray bearerToken(const QByteArray& authorization);
// The value of the token cookie in a Cookie header; empty when it is not there.
[[nodiscard]] QByteArray cookieToken(const QByteArray& cookie);
// English or German, whichever the browser prefers first by its weights; English when it
// names neither.
[[nodiscard]] PageLanguage languageOf(const QByteArray& acceptLanguage);
// Whether `given` is `expected`, in a time that tells nothing about where they differ or how
// long either is (both are hashed first).
[[nodiscard]] bool tokensMatch(const QByteArray& given, const QByteArray& expected);

// The whole decision. `token` empty: no token is asked for (the server listens on loopback).
[[nodiscard]] Decision decide(const RequestHead& head, const QByteArray& token);

} // namespace tc4dl::live
