#include "PageAddress.h"

#include <QNetworkInterface>

#include <qrencode.h>

#include <memory>

namespace tc4dl::live {

QString pageUrl(const QString& host, quint16 port, bool tls, const QByteArray& token)
{
    const bool ipv6 = host.contains(QLatin1Char(':'));
    QString url = (tls ? QStringLiteral("https://") : QStringLiteral("http://"))
        + (ipv6 ? QLatin1Char('[') + host + QLatin1Char(']') : host) + QLatin1Char(':')
        + QString::number(port) + QLatin1Char('/');
    if (!token.isEmpty())
        url += QStringLiteral("?token=") + QString::fromLatin1(token);
    return url;
}

QStringList pageUrls(const QHostAddress& listening, quint16 port, bool tls, const QByteArray& token)
{
    const bool any = listening == QHostAddress::AnyIPv4 || listening == QHostAddress::Any
        || listening == QHostAddress::AnyIPv6;
    if (!any)
        return { pageUrl(listening.toString(), port, tls, token) };
    QStringList outside;
    QStringList loopback;
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
        if (!(i.flags() & QNetworkInterface::IsUp))
            continue;
        for (const QNetworkAddressEntry& e : i.addressEntries()) {
            const QHostAddress a = e.ip();
            const bool v4 = a.protocol() == QAbstractSocket::IPv4Protocol;
            if (listening == QHostAddress::AnyIPv4 && !v4)
                continue;
            if (listening == QHostAddress::AnyIPv6 && v4)
                continue;
            // A link-local IPv6 address needs its interface named: no phone opens that.
            if (!v4 && a.isLinkLocal())
                continue;
            (a.isLoopback() ? loopback : outside)
                << pageUrl(QHostAddress(a.toString()).toString(), port, tls, token);
        }
    }
    return outside + loopback;
}

std::optional<QrCode> QrCode::encode(const QByteArray& text)
{
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString8bit(text.constData(), 0, QR_ECLEVEL_M), &QRcode_free);
    if (!code || code->width <= 0)
        return std::nullopt;
    QrCode qr;
    qr.m_size = code->width;
    const auto count
        = static_cast<std::size_t>(code->width) * static_cast<std::size_t>(code->width);
    qr.m_modules.resize(count);
    // The lowest bit of each byte is the module's colour; the others say what it belongs to.
    for (std::size_t i = 0; i < count; ++i)
        qr.m_modules[i] = (code->data[i] & 1) != 0;
    return qr;
}

bool QrCode::dark(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_size || y >= m_size)
        return false;
    return m_modules[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_size)
        + static_cast<std::size_t>(x)];
}

QString QrCode::terminalText(int quiet) const
{
    // Light modules are drawn, dark ones left as the background.
    const QChar both(0x2588); // full block: upper and lower light
    const QChar upper(0x2580); // upper half
    const QChar lower(0x2584); // lower half
    QString text;
    for (int y = -quiet; y < m_size + quiet; y += 2) {
        for (int x = -quiet; x < m_size + quiet; ++x) {
            const bool top = !dark(x, y);
            const bool bottom = y + 1 < m_size + quiet && !dark(x, y + 1);
            text += top && bottom ? both : top ? upper : bottom ? lower : QChar(u' ');
        }
        text += QLatin1Char('\n');
    }
    return text;
}

} // namespace tc4dl::live
