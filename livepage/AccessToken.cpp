#include "AccessToken.h"

#include <QFile>
#include <QRandomGenerator>

#include <array>

namespace tc4dl::live {

namespace {

bool tokenCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'
        || c == '.' || c == '_' || c == '~';
}

} // namespace

std::optional<QByteArray> parseTokenFile(const QByteArray& content, QString* why)
{
    QString ignored;
    if (!why)
        why = &ignored;
    if (content.size() > kMaxTokenFileSize) {
        *why = QStringLiteral("it is longer than %1 bytes").arg(kMaxTokenFileSize);
        return std::nullopt;
    }
    // One line; the line end (and blanks around it) an editor leaves do not count.
    const QByteArray token = content.trimmed();
    if (token.isEmpty()) {
        *why = QStringLiteral("it is empty");
        return std::nullopt;
    }
    for (const char c : token) {
        if (!tokenCharacter(c)) {
            *why = QStringLiteral("a token is one line of the letters A-Z and a-z, the digits "
                                  "and - . _ ~ only");
            return std::nullopt;
        }
    }
    if (token.size() < kMinTokenLength || token.size() > kMaxTokenLength) {
        *why = QStringLiteral("a token has %1 to %2 characters, this one %3")
                   .arg(kMinTokenLength)
                   .arg(kMaxTokenLength)
                   .arg(token.size());
        return std::nullopt;
    }
    return token;
}

std::optional<QByteArray> readTokenFile(const QString& path, QString* why)
{
    QString ignored;
    if (!why)
        why = &ignored;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = file.errorString();
        return std::nullopt;
    }
#ifdef Q_OS_UNIX
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (file.permissions() & others) {
        *why = QStringLiteral("other users may read it (chmod 600 it)");
        return std::nullopt;
    }
#endif
    // One byte more than allowed tells a file that is too long without reading all of it.
    return parseTokenFile(file.read(kMaxTokenFileSize + 1), why);
}

QByteArray makeToken()
{
    std::array<quint32, 8> words {};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const QByteArray bytes(reinterpret_cast<const char*>(words.data()), sizeof words);
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

} // namespace tc4dl::live
