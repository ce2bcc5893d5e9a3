// The live page's rules for outside requests and token files, fed hostile requests. The input
// is split at NUL bytes into the request target, the Authorization, Cookie and Accept-Language
// headers and a token file's content; its first byte says whether a token is asked for. Rules:
// - a request is answered 200, 400, 401, 404 or 405, and only with the token where one is asked;
// - without the token nothing but 401 is said, whatever the path;
// - 200 goes only to the four paths, spelt exactly; a history's minutes are 1..1440 and its
//   meter has 1..64 characters;
// - the cookie is set only on the page, only where a token is asked;
// - the token read from a header is part of that header;
// - a token file is accepted only with one token of 16..256 allowed characters that it holds.

#include "AccessToken.h"
#include "FuzzRule.h"
#include "RequestRules.h"

#include <QList>
#include <QUrlQuery>

using namespace tc4dl::live;

namespace {

const QByteArray kToken = "fuzz-token_0123456789";

bool allowed(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'
        || c == '.' || c == '_' || c == '~';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const bool tokenAsked = data[0] & 1;
    const QByteArray input(
        reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    QList<QByteArray> fields = input.split('\0');
    fields.resize(5);
    RequestHead head;
    head.get = (data[0] & 2) == 0;
    head.url = QUrl(QString::fromUtf8(fields[0]));
    head.authorization = fields[1];
    head.cookie = fields[2];
    head.acceptLanguage = fields[3];
    const QByteArray token = tokenAsked ? kToken : QByteArray();

    const Decision d = decide(head, token);
    FUZZ_RULE(d.status == 200 || d.status == 400 || d.status == 401 || d.status == 404
        || d.status == 405);
    const QByteArray bearer = bearerToken(head.authorization);
    const QByteArray cookie = cookieToken(head.cookie);
    FUZZ_RULE(head.authorization.contains(bearer) && head.cookie.contains(cookie));
    const QByteArray inAddress
        = QUrlQuery(head.url).queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded).toUtf8();
    const bool brought = bearer == kToken || cookie == kToken || inAddress == kToken;
    if (tokenAsked && d.status != 401)
        FUZZ_RULE(brought);
    if (d.status == 401)
        FUZZ_RULE(tokenAsked && d.route == Route::NotFound && !d.setCookie);
    if (d.status == 200) {
        FUZZ_RULE(
            d.route != Route::NotFound && routeOf(head.url.path(QUrl::FullyEncoded)) == d.route);
        FUZZ_RULE(head.get);
    }
    if (d.status == 200 && d.route == Route::History)
        FUZZ_RULE(d.minutes >= 1 && d.minutes <= kMaxHistoryMinutes && !d.meter.isEmpty()
            && d.meter.size() <= kMaxMeterName);
    if (d.setCookie)
        FUZZ_RULE(tokenAsked && d.route == Route::Page && d.status == 200);
    (void)languageOf(head.acceptLanguage);
    FUZZ_RULE(tokensMatch(kToken, kToken) && !tokensMatch(bearer + "x", kToken));

    QString why;
    if (const std::optional<QByteArray> t = parseTokenFile(fields[4], &why)) {
        FUZZ_RULE(t->size() >= kMinTokenLength && t->size() <= kMaxTokenLength);
        FUZZ_RULE(fields[4].contains(*t));
        for (const char c : *t)
            FUZZ_RULE(allowed(c));
    } else {
        FUZZ_RULE(!why.isEmpty());
    }
    return 0;
}
