// The message-table reader fed hostile tables. Rules:
// - it either reads a table or says why it is none;
// - no text it finds is longer than the input, or holds a line end or a column mark;
// - CR LF and lone LF line ends read alike;
// - a row added at the end is found as written, unless its key was already in its section
//   (the first row with a key counts).

#include "FuzzRule.h"
#include "MessageTable.h"

#include <QSet>

using namespace tc4dl;

namespace {

constexpr Section kSections[] = {
    Section::Captions,
    Section::Hints,
    Section::DisplayLabels,
    Section::Fonts,
    Section::MultiLines,
    Section::DlgsCaptions,
    Section::Strings,
    Section::OtherStrings,
    Section::Locales,
    Section::Collections,
    Section::CharSets,
};

// Keys worth asking for: what stands before the first mark of each line (as Latin-1; keys
// with bytes 0x80..0x9F are then simply not found, which the rules allow).
QSet<QString> candidateKeys(QByteArrayView input)
{
    QSet<QString> keys;
    for (QByteArrayView line : QByteArray(input.toByteArray()).split('\n')) {
        const qsizetype mark = line.indexOf('\x01');
        if (mark > 0 && keys.size() < 64)
            keys.insert(QString::fromLatin1(line.first(mark)).remove(u'\r'));
    }
    return keys;
}

void checkText(const QString& text, std::size_t inputSize)
{
    FUZZ_RULE(static_cast<std::size_t>(text.size()) <= inputSize);
    FUZZ_RULE(!text.contains(u'\x01') && !text.contains(u'\n'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    const QByteArrayView input(data, static_cast<qsizetype>(size));
    QString error;
    const std::optional<MessageTable> table = MessageTable::parse(input, Language::German, &error);
    if (!table) {
        FUZZ_RULE(!error.isEmpty());
        return 0;
    }
    FUZZ_RULE(table->languageInUse() == Language::German);

    const QSet<QString> keys = candidateKeys(input);
    const bool hasCr = input.contains('\r');
    std::optional<MessageTable> crlf;
    if (!hasCr)
        crlf = MessageTable::parse(
            QByteArray(input.toByteArray()).replace("\n", "\r\n"), Language::German);
    FUZZ_RULE(hasCr || crlf.has_value());
    for (const QString& key : keys) {
        for (Section section : kSections) {
            for (Language language : { Language::English, Language::German }) {
                const QString text = table->text(section, key, language);
                checkText(text, size);
                if (crlf)
                    FUZZ_RULE(crlf->text(section, key, language) == text);
            }
            const QString shown = table->textOrDefault(section, key);
            const QString german = table->text(section, key, Language::German);
            FUZZ_RULE(shown
                == (german.isEmpty() ? table->text(section, key, Language::English) : german));
        }
    }

    // A row added at the end, in its own section.
    QByteArray extended = input.toByteArray();
    extended += "\r\nstStrings\r\nIDS_FUZZ\x01"
                "added\x01"
                "dazu\x01\r\n";
    const std::optional<MessageTable> withRow = MessageTable::parse(extended, Language::German);
    FUZZ_RULE(withRow.has_value());
    if (!input.contains("IDS_FUZZ")) {
        FUZZ_RULE(withRow->getTextOrDefault(QStringLiteral("IDS_FUZZ")) == u"dazu");
        FUZZ_RULE(withRow->text(Section::Strings, QStringLiteral("IDS_FUZZ"), Language::English)
            == u"added");
    }
    return 0;
}
