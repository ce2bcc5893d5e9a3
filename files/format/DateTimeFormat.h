#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLocale>
#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace tc4dl {

// A date or time format of the locale ("dd.MM.yyyy", "h:mm:ss AP"), compiled once so that
// tens of thousands of table rows are written and read back without parsing the format again
// for each of them. Numeric fields are handled here; a format with names of days or months
// falls back to QLocale, which is slower but gives the same text.
class DateTimeFormat {
public:
    DateTimeFormat() = default;
    DateTimeFormat(const QString& format, const QLocale& locale);

    // The locale's short date format with a four-digit year: a two-digit year cannot be read
    // back into the century it was written in.
    [[nodiscard]] static QString dateFormat(const QLocale& locale);
    // The locale's time format with seconds, without its time-zone part (which no reader can
    // take back, and which names the zone rather than the offset).
    [[nodiscard]] static QString timeFormat(const QLocale& locale);

    [[nodiscard]] const QString& format() const { return m_format; }

    // Appends the date part (date formats) or the time part (time formats) of the moment.
    void appendDate(QString& out, int year, int month, int day) const;
    void appendTime(QString& out, int hour, int minute, int second, int msec) const;
    // The same as bytes, for a format that readsBytes(): digits and ASCII texts only.
    void appendTime(std::string& out, int hour, int minute, int second, int msec) const;

    // A date and a time read together: `text` must be this format, one space, `time`'s format,
    // with nothing before or after.
    [[nodiscard]] std::optional<double> parseDateTimeSerial(
        QStringView text, const DateTimeFormat& time) const;
    // The same from a table's two cells as the file's bytes, without decoding them: for
    // formats of plain digits, ASCII separators and ASCII AM/PM texts. Nothing when this way
    // cannot read them (other formats, other bytes); the text way then decides, and wherever
    // this way gives a moment the text way gives the same one.
    [[nodiscard]] std::optional<double> parseDateTimeSerial(
        QByteArrayView date, QByteArrayView time, const DateTimeFormat& timeFormat) const;
    [[nodiscard]] bool readsBytes() const { return m_readsBytes; }

private:
    enum class Kind {
        Literal,
        Day,
        Month,
        Year2,
        Year4,
        Hour24,
        Hour12,
        Minute,
        Second,
        Msec,
        AmPm
    };
    struct Token {
        Kind kind = Kind::Literal;
        int width = 1; // digits: 1 takes 1 or 2, 2 takes exactly 2, 3 and 4 exactly that
        QString text; // Literal
        QByteArray bytes; // Literal, when it is ASCII
    };
    struct Fields {
        int year = -1, month = -1, day = -1;
        int hour = 0, minute = 0, second = 0, msec = 0;
        int pm = -1;
        bool hour12 = false;
        void store(Kind kind, int value);
    };
    void compile();
    void compileBytes();
    // Reads the fields at `pos` from a QStringView or, for the byte way, a QByteArrayView.
    template <typename View>
    [[nodiscard]] bool parse(View text, qsizetype& pos, Fields& fields) const;
    [[nodiscard]] static std::optional<double> serialOf(Fields fields);
    // The time's fields as text or, for the byte way, as bytes.
    template <typename Out>
    void appendTimeFields(Out& out, int hour, int minute, int second, int msec) const;
    static void appendLiteral(QString& out, const Token& token);
    static void appendLiteral(std::string& out, const Token& token);
    void appendAmPm(QString& out, bool pm, bool upper) const;
    void appendAmPm(std::string& out, bool pm, bool upper) const;

    QString m_format;
    QLocale m_locale;
    std::vector<Token> m_tokens;
    bool m_fallback = false; // names of days or months: QLocale does the work
    bool m_readsBytes = false;
    // The locale's AM and PM texts as an AmPm token writes them, [pm][upper case], when the
    // format has one; read in any case.
    QString m_amPmTexts[2][2];
    QByteArray m_amPmBytes[2][2];
};

} // namespace tc4dl
