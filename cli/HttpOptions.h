#pragma once

#include "LiveHttpServer.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QTextStream>

namespace tc4dl::live {
class LivePageServer;
}

namespace tc4dl::cli {

// The live page's options, for every command that serves it (`serve`, and `record`):
// --http ADDRESS:PORT, --http-token-file FILE, --http-cert FILE and --http-key FILE.
[[nodiscard]] QList<QCommandLineOption> httpOptions();
[[nodiscard]] bool httpRequested(const QCommandLineParser& parser);

// The server's settings from a parsed command line: Ok, or Usage / HttpFailed with one
// sentence on `err` (an address that is not one, a network address without a token file, a
// token file or certificate that cannot be read).
[[nodiscard]] int readHttpOptions(
    const QCommandLineParser& parser, live::ServerSettings& settings, QTextStream& err);

// Tells where the page is: one "Live page: URL" line per address on `out`, and, where `out` is
// a terminal, the first one's QR code for a phone's camera.
void announcePage(const live::LivePageServer& server, QTextStream& out, bool terminal);

} // namespace tc4dl::cli
