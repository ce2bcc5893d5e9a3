#include "ConfigText.h"

#include <QStringDecoder>
#include <QStringList>

namespace tc4dl::recorder {

namespace {

ConfigText refuse(ConfigText text, int line, const QString& why)
{
    text.entries.clear();
    text.groups.clear();
    text.error = line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(why) : why;
    return text;
}

bool isKeyChar(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
        || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-');
}

QString unquoted(const QString& value)
{
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

ConfigText readConfigText(QByteArrayView bytes)
{
    ConfigText text;
    if (bytes.size() > ConfigText::kMaxBytes)
        return refuse(std::move(text), 0,
            QStringLiteral("it is larger than %1 KiB").arg(ConfigText::kMaxBytes / 1024));
    if (bytes.contains('\0'))
        return refuse(std::move(text), 0, QStringLiteral("it holds a NUL byte: no settings text"));
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString all = utf8(bytes);
    if (utf8.hasError())
        return refuse(std::move(text), 0, QStringLiteral("it is not UTF-8 text"));
    if (all.startsWith(QChar(0xFEFF)))
        all.remove(0, 1);
    const QStringList lines = all.split(QLatin1Char('\n'));
    QString group;
    for (int i = 0; i < lines.size(); ++i) {
        const int number = i + 1;
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.size() > ConfigText::kMaxLineLength)
            return refuse(std::move(text), number,
                QStringLiteral("longer than %1 characters").arg(ConfigText::kMaxLineLength));
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#'))
            || trimmed.startsWith(QLatin1Char(';')))
            continue;
        if (trimmed.startsWith(QLatin1Char('['))) {
            if (!trimmed.endsWith(QLatin1Char(']')))
                return refuse(
                    std::move(text), number, QStringLiteral("a group needs its closing ]"));
            const QString inner = trimmed.mid(1, trimmed.size() - 2).simplified();
            if (!inner.startsWith(QLatin1String("meter ")))
                return refuse(std::move(text), number,
                    QStringLiteral("the only group is [meter NAME], not [%1]").arg(inner));
            group = inner.mid(6).trimmed();
            if (group.isEmpty())
                return refuse(std::move(text), number, QStringLiteral("[meter] needs a NAME"));
            if (std::find(text.groups.begin(), text.groups.end(), group) != text.groups.end())
                return refuse(std::move(text), number,
                    QStringLiteral("the group [meter %1] comes twice").arg(group));
            text.groups.push_back(group);
            continue;
        }
        const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
        if (equals < 0)
            return refuse(std::move(text), number,
                QStringLiteral("neither key = value, [meter NAME] nor a comment"));
        const QString key = trimmed.left(equals).trimmed();
        if (key.isEmpty() || !std::all_of(key.begin(), key.end(), isKeyChar))
            return refuse(std::move(text), number,
                QStringLiteral("a key is written in small letters, digits and -, as the long "
                               "options are"));
        if (text.entries.size() >= std::size_t(ConfigText::kMaxEntries))
            return refuse(std::move(text), number,
                QStringLiteral("more than %1 settings").arg(ConfigText::kMaxEntries));
        text.entries.push_back({ group, key, unquoted(trimmed.mid(equals + 1).trimmed()), number });
    }
    return text;
}

} // namespace tc4dl::recorder
