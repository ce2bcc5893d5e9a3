#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMap>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class QObject;

namespace tc4dl {

// Column order of the stored tables.
enum class Language { English = 0, German = 1 };

// The sections of a table, in stored order.
enum class Section {
    Captions,
    Hints,
    DisplayLabels,
    Fonts,
    MultiLines,
    DlgsCaptions,
    Strings,
    OtherStrings,
    Locales,
    Collections,
    CharSets
};

// The texts of one window in English and German: captions, hints and fonts of its components,
// and the messages it shows, looked up by IDS_ identifier. Each window's table is built into
// the program (resources/lang/<WindowClass>.sil); the language in use is fixed per window.
class MessageTable {
public:
    // An empty table, German in use.
    MessageTable() = default;

    // The built-in table of a window class ("TfrmMain"), with that window's language in use
    // (German for every window except TfrmList, which uses English). An unknown class gives
    // an empty table.
    static MessageTable forWindow(const QString& windowClass);

    // One text of the main window's table, which the dialogs and the recorder share.
    static QString mainWindowText(const char* id);

    // The stored bytes of a window class's built-in table; empty for an unknown class.
    static QByteArray storedForm(const QString& windowClass);

    // Parses the stored form; malformed input never crashes: lines it cannot read are
    // skipped; returns nullopt only when it is not a table at all (says why in *error).
    static std::optional<MessageTable> parse(
        QByteArrayView stored, Language inUse, QString* error = nullptr);

    Language languageInUse() const { return m_inUse; }

    // The message IDS_n in the language in use, English when that text is empty, empty when
    // there is no such row. Texts come exactly as stored: callers join several of them, so a
    // stored backslash-n stays two characters and spaces at either end stay.
    QString getTextOrDefault(const QString& id) const;

    // Raw lookup of one section's text in one language (empty when missing).
    QString text(Section section, const QString& key, Language language) const;

    // Text in the language in use with English fallback, for any section.
    QString textOrDefault(Section section, const QString& key) const;

    // Applies the texts of the language in use to `window` and its children found by
    // objectName; the row named after the window's class sets the window's title:
    //   stCaptions     -> "windowTitle" for the window itself, else "text" if the object has
    //                     that property, else "title";
    //   stHints        -> "toolTip" (and "statusTip" when the object has it);
    //   stFonts        -> setFontFamily(object, family), when given (fonts live in Qt Gui);
    //   stOtherStrings -> "Component.Property" sets that property, first letter lower-cased;
    //   stCharSets     -> kept in the tables but not applied: Qt has no character sets.
    // An empty text leaves the designed value in place.
    void applyTo(QObject* window,
        const std::function<void(QObject*, const QString&)>& setFontFamily = {}) const;

private:
    static constexpr int SectionCount = 11;
    using Texts = std::array<QString, 2>; // indexed by Language

    const QMap<QString, Texts>& rows(Section section) const
    {
        return m_sections[static_cast<int>(section)];
    }
    bool namesWindow(const QObject* window, const QString& key) const;

    std::array<QMap<QString, Texts>, SectionCount> m_sections;
    Language m_inUse = Language::German;
    QString m_windowClass; // known for built-in tables only
};

} // namespace tc4dl
