#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace tc4dl::live {

// The address a person opens the live page with: http(s)://HOST:PORT/, with ?token=… when the
// page needs its key (the page keeps it for the session and takes it out of the address bar).
[[nodiscard]] QString pageUrl(const QString& host, quint16 port, bool tls, const QByteArray& token);
// The page's addresses for where the server listens: an address that stands for every
// interface (0.0.0.0, ::) gives one per address of this computer's interfaces that are up,
// loopback last; any other address gives itself.
[[nodiscard]] QStringList pageUrls(
    const QHostAddress& listening, quint16 port, bool tls, const QByteArray& token);

// A QR code of a text (libqrencode, error correction M), for a phone's camera.
class QrCode {
public:
    // None when the text does not fit into any QR code.
    [[nodiscard]] static std::optional<QrCode> encode(const QByteArray& text);
    [[nodiscard]] int size() const { return m_size; }
    // Whether module (x, y) is dark; outside the code (the quiet zone) it is light.
    [[nodiscard]] bool dark(int x, int y) const;
    // The code for a terminal: two modules per character cell from the half blocks, dark as
    // the terminal's background and light as its text, with a quiet zone of `quiet` modules,
    // one line per two rows. A terminal with light text on dark is what most have; a phone
    // reads the code either way round.
    [[nodiscard]] QString terminalText(int quiet = 2) const;

private:
    int m_size = 0;
    std::vector<bool> m_modules;
};

} // namespace tc4dl::live
