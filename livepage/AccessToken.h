#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tc4dl::live {

// The key of a live page on the network. It is kept in a file (never on a command line, where
// every user of the machine could read it): one line of 16 to 256 characters from A-Z, a-z,
// 0-9 and "-._~", so that it goes into an address and a cookie as it is.
inline constexpr qsizetype kMinTokenLength = 16;
inline constexpr qsizetype kMaxTokenLength = 256;
inline constexpr qint64 kMaxTokenFileSize = 4096;

// The token a token file's bytes hold; none, with the reason in `why`, when they hold none.
[[nodiscard]] std::optional<QByteArray> parseTokenFile(const QByteArray& content, QString* why);
// Reads `path` (at most kMaxTokenFileSize bytes; a file that other users may read is refused).
[[nodiscard]] std::optional<QByteArray> readTokenFile(const QString& path, QString* why);
// A new random token (32 bytes from the system's generator, base64url): what the desktop
// program makes and keeps.
[[nodiscard]] QByteArray makeToken();

} // namespace tc4dl::live
