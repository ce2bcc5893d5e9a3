#include "MessageTable.h"

#include <QFile>
#include <QHash>
#include <QMetaObject>
#include <QMutex>
#include <QObject>
#include <QVariant>

// The tables are compiled into this static library; its resources must be registered by hand
// before the first look-up, and the registration function lives in the global namespace.
static void registerLanguageTables()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(lang);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace tc4dl {

namespace {

constexpr std::array<const char*, 11> kSectionNames = {
    "stCaptions",
    "stHints",
    "stDisplayLabels",
    "stFonts",
    "stMultiLines",
    "stDlgsCaptions",
    "stStrings",
    "stOtherStrings",
    "stLocales",
    "stCollections",
    "stCharSets",
};

constexpr char kMark = '\x01';

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. Windows maps the five bytes the
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) to the C1 control of the same
// number; so do we, so that no byte is lost.
constexpr char16_t kHighHalf[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, //
};

constexpr std::array<char16_t, 256> kWindows1252 = [] {
    std::array<char16_t, 256> table {};
    for (int byte = 0; byte < 256; ++byte)
        table[static_cast<std::size_t>(byte)]
            = byte >= 0x80 && byte < 0xA0 ? kHighHalf[byte - 0x80] : static_cast<char16_t>(byte);
    return table;
}();

QString decode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        text[i] = QChar(kWindows1252[static_cast<uchar>(bytes[i])]);
    return text;
}

int sectionIndex(QByteArrayView line)
{
    for (std::size_t i = 0; i < kSectionNames.size(); ++i)
        if (line == QByteArrayView(kSectionNames[i]))
            return static_cast<int>(i);
    return -1;
}

bool hasProperty(const QObject* object, const char* name)
{
    return object->metaObject()->indexOfProperty(name) >= 0
        || object->dynamicPropertyNames().contains(name);
}

} // namespace

QByteArray MessageTable::storedForm(const QString& windowClass)
{
    registerLanguageTables();
    if (windowClass.isEmpty() || windowClass.contains(u'/'))
        return {};
    QFile file(QStringLiteral(":/lang/") + windowClass + QStringLiteral(".sil"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString MessageTable::mainWindowText(const char* id)
{
    return forWindow(QStringLiteral("TfrmMain")).getTextOrDefault(QLatin1String(id));
}

MessageTable MessageTable::forWindow(const QString& windowClass)
{
    // The built-in tables never change: each is parsed once, and every window asking for it
    // afterwards shares the parsed texts (the copies share their data).
    static QMutex mutex;
    static QHash<QString, MessageTable> parsed;
    const QMutexLocker lock(&mutex);
    const auto known = parsed.constFind(windowClass);
    if (known != parsed.constEnd())
        return *known;
    // Only the table window speaks English; that is part of each window's design.
    const Language inUse = windowClass == u"TfrmList" ? Language::English : Language::German;
    MessageTable table = parse(storedForm(windowClass), inUse).value_or(MessageTable {});
    table.m_inUse = inUse;
    table.m_windowClass = windowClass;
    parsed.insert(windowClass, table);
    return table;
}

std::optional<MessageTable> MessageTable::parse(
    QByteArrayView stored, Language inUse, QString* error)
{
    MessageTable table;
    table.m_inUse = inUse;
    int current = -1;
    bool sawSection = false;

    qsizetype pos = 0;
    while (pos < stored.size()) {
        qsizetype end = stored.indexOf('\n', pos);
        if (end < 0)
            end = stored.size();
        QByteArrayView line = stored.sliced(pos, end - pos);
        pos = end + 1;
        // CR LF is the stored line end; a lone LF (a table that went through a Unix editor)
        // is read the same way.
        if (line.endsWith('\r'))
            line = line.chopped(1);

        const qsizetype keyEnd = line.indexOf(kMark);
        if (keyEnd < 0) {
            // A section line, or a line that cannot be read, which leaves the section as is.
            if (const int section = sectionIndex(line); section >= 0) {
                current = section;
                sawSection = true;
            }
            continue;
        }
        if (current < 0 || keyEnd == 0)
            continue;

        // Each text ends with the mark; a piece after the last mark was cut off and would be
        // a wrong text, so it counts as missing and the English fallback applies.
        Texts texts;
        int found = 0;
        qsizetype from = keyEnd + 1;
        for (qsizetype i = from; i < line.size() && found < 2; ++i) {
            if (line[i] == kMark) {
                texts[static_cast<std::size_t>(found++)] = decode(line.sliced(from, i - from));
                from = i + 1;
            }
        }
        if (found == 0)
            continue;
        // As in a search from the top, the first row with a key is the one that counts.
        QMap<QString, Texts>& section = table.m_sections[static_cast<std::size_t>(current)];
        const QString key = decode(line.first(keyEnd));
        if (!section.contains(key))
            section.insert(key, texts);
    }

    if (!sawSection) {
        if (error)
            *error = stored.isEmpty()
                ? QStringLiteral("the stored table is empty")
                : QStringLiteral("no section line found: not a message table");
        return std::nullopt;
    }
    return table;
}

QString MessageTable::text(Section section, const QString& key, Language language) const
{
    const auto& sectionRows = rows(section);
    const auto it = sectionRows.constFind(key);
    return it == sectionRows.cend() ? QString() : (*it)[static_cast<std::size_t>(language)];
}

QString MessageTable::textOrDefault(Section section, const QString& key) const
{
    const QString inUse = text(section, key, m_inUse);
    return inUse.isEmpty() ? text(section, key, Language::English) : inUse;
}

QString MessageTable::getTextOrDefault(const QString& id) const
{
    return textOrDefault(Section::Strings, id);
}

bool MessageTable::namesWindow(const QObject* window, const QString& key) const
{
    // Built-in tables know their window class; a Qt window's own class and object names
    // differ from it, so any of them names the window.
    QString className = QString::fromLatin1(window->metaObject()->className());
    className = className.sliced(className.lastIndexOf(u':') + 1);
    return key == window->objectName() || key == className
        || (!m_windowClass.isEmpty() && key == m_windowClass);
}

void MessageTable::applyTo(
    QObject* window, const std::function<void(QObject*, const QString&)>& setFontFamily) const
{
    if (!window)
        return;
    const auto language = static_cast<std::size_t>(m_inUse);
    const auto find = [&](const QString& name) -> QObject* {
        return namesWindow(window, name) ? window : window->findChild<QObject*>(name);
    };
    // Calls apply(object, text, designed) for each row of a section that names an existing
    // object and has a text in the language in use; `designed` is the English text, which
    // stands for the designed value where the window built the component without one.
    const auto forEachRow = [&](Section section, const auto& apply) {
        const auto& sectionRows = rows(section);
        for (auto it = sectionRows.cbegin(); it != sectionRows.cend(); ++it) {
            const QString& value = it.value()[language];
            const QString& designed = it.value()[static_cast<std::size_t>(Language::English)];
            if (value.isEmpty() && designed.isEmpty())
                continue;
            if (QObject* object = find(it.key()))
                apply(object, value, designed);
        }
    };
    // An empty text leaves the designed value in place; a component built bare (a menu
    // item, a toolbar action) has its design in the English column, so it gets that rather
    // than staying an empty row.
    const auto setText
        = [](QObject* object, const char* property, const QString& value, const QString& designed) {
              if (!value.isEmpty())
                  object->setProperty(property, value);
              else if (object->property(property).toString().isEmpty())
                  object->setProperty(property, designed);
          };

    forEachRow(
        Section::Captions, [&](QObject* object, const QString& value, const QString& designed) {
            const char* property = object == window ? "windowTitle"
                : hasProperty(object, "text")       ? "text"
                                                    : "title";
            setText(object, property, value, designed);
        });
    forEachRow(Section::Hints, [&](QObject* object, const QString& value, const QString& designed) {
        setText(object, "toolTip", value, designed);
        if (hasProperty(object, "statusTip"))
            setText(object, "statusTip", value, designed);
    });
    if (setFontFamily)
        forEachRow(Section::Fonts, [&](QObject* object, const QString& value, const QString&) {
            if (!value.isEmpty())
                setFontFamily(object, value);
        });

    const auto& other = rows(Section::OtherStrings);
    for (auto it = other.cbegin(); it != other.cend(); ++it) {
        const QString& value = it.value()[language];
        const QString& designed = it.value()[static_cast<std::size_t>(Language::English)];
        const qsizetype point = it.key().indexOf(u'.');
        if ((value.isEmpty() && designed.isEmpty()) || point <= 0 || point + 1 == it.key().size())
            continue;
        QObject* object = find(it.key().first(point));
        if (!object)
            continue;
        // The tables spell property names with a capital (Text); Qt's start lower-case (text).
        QString property = it.key().sliced(point + 1);
        property[0] = property[0].toLower();
        setText(object, property.toLatin1().constData(), value, designed);
    }
}

} // namespace tc4dl
