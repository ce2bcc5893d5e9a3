#include "HttpOptions.h"

#include "AccessToken.h"
#include "ExitCode.h"
#include "LivePageServer.h"
#include "Output.h"
#include "PageAddress.h"

namespace tc4dl::cli {

namespace {

const QString kHttp = QStringLiteral("http");
const QString kTokenFile = QStringLiteral("http-token-file");
const QString kCert = QStringLiteral("http-cert");
const QString kKey = QStringLiteral("http-key");

// "127.0.0.1:8080", "0.0.0.0:8080", "[::1]:8080"; port 0 takes a free one.
bool parseListen(const QString& text, QHostAddress& address, quint16& port)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(QLatin1Char(':')))
        return false; // an IPv6 address needs its brackets
    bool ok = false;
    const uint number = text.mid(colon + 1).toUInt(&ok);
    if (!ok || number > 65535 || !address.setAddress(host))
        return false;
    port = static_cast<quint16>(number);
    return true;
}

} // namespace

QList<QCommandLineOption> httpOptions()
{
    return {
        { kHttp,
            QStringLiteral("Serve the live page on ADDRESS:PORT (127.0.0.1:8080; 0.0.0.0:8080 for "
                           "the network, which needs --http-token-file)."),
            QStringLiteral("ADDRESS:PORT") },
        { kTokenFile,
            QStringLiteral("The live page's key: one line of 16 to 256 characters (A-Z a-z 0-9 - "
                           ". _ ~) in FILE, readable by you alone. Every request must bring it."),
            QStringLiteral("FILE") },
        { kCert, QStringLiteral("HTTPS: the certificate (PEM, with its chain)."),
            QStringLiteral("FILE") },
        { kKey, QStringLiteral("HTTPS: the certificate's private key (PEM, unencrypted)."),
            QStringLiteral("FILE") },
    };
}

bool httpRequested(const QCommandLineParser& parser)
{
    return parser.isSet(kHttp);
}

int readHttpOptions(
    const QCommandLineParser& parser, live::ServerSettings& settings, QTextStream& err)
{
    const QString listen = parser.value(kHttp);
    if (!parseListen(listen, settings.address, settings.port)) {
        err << "--http needs ADDRESS:PORT such as 127.0.0.1:8080 or [::1]:8080, not \"" << listen
            << "\".\n";
        return Usage;
    }
    if (parser.isSet(kCert) != parser.isSet(kKey)) {
        err << "HTTPS needs both --http-cert FILE and --http-key FILE.\n";
        return Usage;
    }
    if (parser.isSet(kTokenFile)) {
        QString why;
        const std::optional<QByteArray> token = live::readTokenFile(parser.value(kTokenFile), &why);
        if (!token) {
            err << "Cannot use the token file " << parser.value(kTokenFile) << ": "
                << endSentence(why) << '\n';
            return HttpFailed;
        }
        settings.token = *token;
    } else if (!settings.address.isLoopback()) {
        err << "Serving the live page on " << settings.address.toString()
            << " reaches beyond this computer: give its key with --http-token-file FILE.\n";
        return Usage;
    }
    if (parser.isSet(kCert)) {
        QString why;
        settings.tls = live::loadTls(parser.value(kCert), parser.value(kKey), &why);
        if (!settings.tls) {
            err << "Cannot serve HTTPS: " << endSentence(why) << '\n';
            return HttpFailed;
        }
    }
    return Ok;
}

void announcePage(const live::LivePageServer& server, QTextStream& out, bool terminal)
{
    const QStringList urls = server.urls();
    for (const QString& url : urls)
        out << "Live page: " << url << '\n';
    if (terminal && !urls.isEmpty()) {
        if (const std::optional<live::QrCode> qr = live::QrCode::encode(urls.first().toUtf8()))
            out << qr->terminalText();
    }
    out.flush();
}

} // namespace tc4dl::cli
