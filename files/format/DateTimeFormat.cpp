#include "DateTimeFormat.h"

#include "DateTimeSerial.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace tc4dl {

namespace {

bool isFieldLetter(QChar c)
{
    return c == u'd' || c == u'M' || c == u'y' || c == u'h' || c == u'H' || c == u'm' || c == u's'
        || c == u'z' || c == u'a' || c == u'A' || c == u't';
}

// The digits of `value`, at least `width` of them, after its sign; returns their number.
int formatNumber(char (&text)[12], int value, int width)
{
    char digits[11];
    int n = 0;
    unsigned v = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n < width && n < 10)
        digits[n++] = '0';
    int length = 0;
    if (value < 0)
        text[length++] = '-';
    while (n > 0)
        text[length++] = digits[--n];
    return length;
}

// A number goes out in one append, not digit by digit: the writers call this for every field
// of tens of thousands of lines.
void appendNumber(QString& out, int value, int width)
{
    char text[12];
    out += QLatin1StringView(text, formatNumber(text, value, width));
}

void appendNumber(std::string& out, int value, int width)
{
    char text[12];
    out.append(text, static_cast<size_t>(formatNumber(text, value, width)));
}

// The digit at `text[i]`, or -1: one reader of fields serves the text and the bytes of a cell.
int digitAt(QStringView text, qsizetype i)
{
    const char16_t c = text[i].unicode();
    return c >= u'0' && c <= u'9' ? c - u'0' : -1;
}

int digitAt(QByteArrayView text, qsizetype i)
{
    const char c = text[i];
    return c >= '0' && c <= '9' ? c - '0' : -1;
}

// Up to `maxDigits` digits (at least `minDigits`) at `pos`.
template <typename View>
bool readNumber(View text, qsizetype& pos, int minDigits, int maxDigits, int& value)
{
    int n = 0;
    value = 0;
    while (n < maxDigits && pos < text.size()) {
        const int digit = digitAt(text, pos);
        if (digit < 0)
            break;
        value = value * 10 + digit;
        ++pos;
        ++n;
    }
    return n >= minDigits;
}

bool isAscii(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

// `word` at the start of `text`, in either case: any letters in text, ASCII ones in bytes
// (the bytes are read only where the words are ASCII).
bool startsWithWord(QStringView text, const QString& word)
{
    return !word.isEmpty() && text.startsWith(word, Qt::CaseInsensitive);
}

bool startsWithWord(QByteArrayView text, const QByteArray& word)
{
    if (word.isEmpty() || text.size() < word.size())
        return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (qsizetype k = 0; k < word.size(); ++k)
        if (lower(text[k]) != lower(word[k]))
            return false;
    return true;
}

// Of a text kept both ways, the way that `View` reads.
const QString& formOf(QStringView, const QString& text, const QByteArray&)
{
    return text;
}

const QByteArray& formOf(QByteArrayView, const QString&, const QByteArray& bytes)
{
    return bytes;
}

} // namespace

DateTimeFormat::DateTimeFormat(const QString& format, const QLocale& locale)
    : m_format(format),
      m_locale(locale)
{
    compile();
}

QString DateTimeFormat::dateFormat(const QLocale& locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (format.contains(QLatin1String("yyyy")))
        return format;
    // "yy" standing alone becomes "yyyy"; quoted text is left alone.
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u'y') {
            qsizetype run = 0;
            while (i + run < format.size() && format[i + run] == u'y')
                ++run;
            result += QLatin1String("yyyy");
            i += run - 1;
            continue;
        }
        result += c;
    }
    return result;
}

QString DateTimeFormat::timeFormat(const QLocale& locale)
{
    return longTimeFormat(locale);
}

void DateTimeFormat::compile()
{
    m_tokens.clear();
    m_fallback = false;
    bool hasAmPm = false;
    const QString& f = m_format;
    for (qsizetype i = 0; i < f.size();) {
        const QChar c = f[i];
        if (c == u'\'') {
            // Quoted text; two quotes in a row are one quote.
            Token literal;
            qsizetype j = i + 1;
            if (j < f.size() && f[j] == u'\'') {
                literal.text = QStringLiteral("'");
                i = j + 1;
            } else {
                while (j < f.size()) {
                    if (f[j] == u'\'') {
                        if (j + 1 < f.size() && f[j + 1] == u'\'') {
                            literal.text += u'\'';
                            j += 2;
                            continue;
                        }
                        break;
                    }
                    literal.text += f[j++];
                }
                i = j + 1;
            }
            m_tokens.push_back(literal);
            continue;
        }
        if (!isFieldLetter(c)) {
            if (!m_tokens.empty() && m_tokens.back().kind == Kind::Literal)
                m_tokens.back().text += c;
            else
                m_tokens.push_back({ Kind::Literal, 1, QString(c), {} });
            ++i;
            continue;
        }
        qsizetype run = 1;
        if (c == u'a' || c == u'A') {
            run = (i + 1 < f.size() && (f[i + 1] == u'p' || f[i + 1] == u'P')) ? 2 : 1;
            m_tokens.push_back({ Kind::AmPm, 0, QString(f.mid(i, run)), {} });
            hasAmPm = true;
            i += run;
            continue;
        }
        while (i + run < f.size() && f[i + run] == c)
            ++run;
        const int width = static_cast<int>(run);
        Token token;
        token.width = width;
        switch (c.unicode()) {
        case u'd':
            token.kind = Kind::Day;
            m_fallback |= width > 2;
            break;
        case u'M':
            token.kind = Kind::Month;
            m_fallback |= width > 2;
            break;
        case u'y':
            token.kind = width == 2 ? Kind::Year2 : Kind::Year4;
            m_fallback |= width != 2 && width != 4;
            break;
        case u'h':
            token.kind = Kind::Hour12;
            m_fallback |= width > 2;
            break;
        case u'H':
            token.kind = Kind::Hour24;
            m_fallback |= width > 2;
            break;
        case u'm':
            token.kind = Kind::Minute;
            m_fallback |= width > 2;
            break;
        case u's':
            token.kind = Kind::Second;
            m_fallback |= width > 2;
            break;
        case u'z':
            token.kind = Kind::Msec;
            m_fallback |= width != 1 && width != 3;
            break;
        default:
            m_fallback = true;
            break; // a time-zone part
        }
        m_tokens.push_back(token);
        i += run;
    }
    // Without AM/PM, "h" counts the hours of the whole day.
    if (!hasAmPm)
        for (Token& token : m_tokens)
            if (token.kind == Kind::Hour12)
                token.kind = Kind::Hour24;
    compileBytes();
}

void DateTimeFormat::compileBytes()
{
    m_readsBytes = !m_fallback;
    bool hasAmPm = false;
    for (Token& token : m_tokens) {
        if (token.kind == Kind::Literal) {
            m_readsBytes = m_readsBytes && isAscii(token.text);
            token.bytes = token.text.toLatin1();
        }
        hasAmPm = hasAmPm || token.kind == Kind::AmPm;
    }
    if (hasAmPm) {
        const QString am = m_locale.amText();
        const QString pm = m_locale.pmText();
        m_readsBytes = m_readsBytes && isAscii(am) && isAscii(pm);
        for (const bool isPm : { false, true }) {
            const QString& text = isPm ? pm : am;
            m_amPmTexts[isPm][false] = text.toLower();
            m_amPmTexts[isPm][true] = text.toUpper();
            m_amPmBytes[isPm][false] = m_amPmTexts[isPm][false].toLatin1();
            m_amPmBytes[isPm][true] = m_amPmTexts[isPm][true].toLatin1();
        }
    }
}

void DateTimeFormat::appendDate(QString& out, int year, int month, int day) const
{
    if (m_fallback) {
        out += m_locale.toString(QDate(year, month, day), m_format);
        return;
    }
    for (const Token& t : m_tokens) {
        switch (t.kind) {
        case Kind::Literal:
            out += t.text;
            break;
        case Kind::Day:
            appendNumber(out, day, t.width);
            break;
        case Kind::Month:
            appendNumber(out, month, t.width);
            break;
        case Kind::Year2:
            appendNumber(out, ((year % 100) + 100) % 100, 2);
            break;
        case Kind::Year4:
            appendNumber(out, year, 4);
            break;
        default:
            break; // time fields in a date format: nothing, as QLocale does
        }
    }
}

void DateTimeFormat::appendTime(QString& out, int hour, int minute, int second, int msec) const
{
    if (m_fallback) {
        out += m_locale.toString(QTime(hour, minute, second, msec), m_format);
        return;
    }
    appendTimeFields(out, hour, minute, second, msec);
}

void DateTimeFormat::appendTime(std::string& out, int hour, int minute, int second, int msec) const
{
    // Only for a format that readsBytes(), which names of days or months never do.
    Q_ASSERT(m_readsBytes);
    appendTimeFields(out, hour, minute, second, msec);
}

template <typename Out>
void DateTimeFormat::appendTimeFields(Out& out, int hour, int minute, int second, int msec) const
{
    for (const Token& t : m_tokens) {
        switch (t.kind) {
        case Kind::Literal:
            appendLiteral(out, t);
            break;
        case Kind::Hour24:
            appendNumber(out, hour, t.width);
            break;
        case Kind::Hour12:
            appendNumber(out, hour % 12 == 0 ? 12 : hour % 12, t.width);
            break;
        case Kind::Minute:
            appendNumber(out, minute, t.width);
            break;
        case Kind::Second:
            appendNumber(out, second, t.width);
            break;
        case Kind::Msec:
            appendNumber(out, msec, t.width == 3 ? 3 : 1);
            break;
        case Kind::AmPm:
            appendAmPm(out, hour >= 12, t.text.at(0).isUpper());
            break;
        default:
            break;
        }
    }
}

void DateTimeFormat::appendLiteral(QString& out, const Token& token)
{
    out += token.text;
}

void DateTimeFormat::appendLiteral(std::string& out, const Token& token)
{
    out.append(token.bytes.constData(), static_cast<size_t>(token.bytes.size()));
}

void DateTimeFormat::appendAmPm(QString& out, bool pm, bool upper) const
{
    out += m_amPmTexts[pm][upper];
}

void DateTimeFormat::appendAmPm(std::string& out, bool pm, bool upper) const
{
    const QByteArray& text = m_amPmBytes[pm][upper];
    out.append(text.constData(), static_cast<size_t>(text.size()));
}

template <typename View> bool DateTimeFormat::parse(View text, qsizetype& pos, Fields& f) const
{
    for (const Token& t : m_tokens) {
        const int min = t.width == 1 ? 1 : t.width;
        const int max = t.width == 1 ? 2 : t.width;
        int value = 0;
        switch (t.kind) {
        case Kind::Literal: {
            const auto& literal = formOf(text, t.text, t.bytes);
            if (!text.sliced(pos).startsWith(literal))
                return false;
            pos += literal.size();
            continue;
        }
        case Kind::AmPm: {
            // Any case is read: the lower-case forms will do.
            const auto& am = formOf(text, m_amPmTexts[false][false], m_amPmBytes[false][false]);
            const auto& pm = formOf(text, m_amPmTexts[true][false], m_amPmBytes[true][false]);
            if (startsWithWord(text.sliced(pos), am)) {
                f.pm = 0;
                pos += am.size();
            } else if (startsWithWord(text.sliced(pos), pm)) {
                f.pm = 1;
                pos += pm.size();
            } else {
                return false;
            }
            continue;
        }
        case Kind::Msec:
            if (!readNumber(text, pos, 1, 3, value))
                return false;
            f.msec = value;
            continue;
        default:
            break;
        }
        if (!readNumber(text, pos, min, max, value))
            return false;
        f.store(t.kind, value);
    }
    return true;
}

void DateTimeFormat::Fields::store(Kind kind, int value)
{
    switch (kind) {
    case Kind::Day:
        day = value;
        break;
    case Kind::Month:
        month = value;
        break;
    case Kind::Year2:
        year = value < 50 ? 2000 + value : 1900 + value;
        break;
    case Kind::Year4:
        year = value;
        break;
    case Kind::Hour24:
        hour = value;
        break;
    case Kind::Hour12:
        hour = value;
        hour12 = true;
        break;
    case Kind::Minute:
        minute = value;
        break;
    case Kind::Second:
        second = value;
        break;
    default:
        break;
    }
}

std::optional<double> DateTimeFormat::parseDateTimeSerial(
    QStringView text, const DateTimeFormat& time) const
{
    if (m_fallback || time.m_fallback) {
        const QDateTime dt = m_locale.toDateTime(text.toString(), m_format + u' ' + time.m_format);
        // Only the fields count: a time this computer's clock skips at a daylight-saving
        // switch makes the QDateTime invalid, but the meter's clock had it.
        if (!dt.date().isValid() || !dt.time().isValid())
            return std::nullopt;
        return dateTimeSerial(dt.date(), dt.time());
    }
    Fields f;
    qsizetype pos = 0;
    if (!parse(text, pos, f) || pos >= text.size() || text[pos] != u' ')
        return std::nullopt;
    ++pos;
    if (!time.parse(text, pos, f) || pos != text.size())
        return std::nullopt;
    return serialOf(f);
}

std::optional<double> DateTimeFormat::parseDateTimeSerial(
    QByteArrayView date, QByteArrayView time, const DateTimeFormat& timeFormat) const
{
    if (!m_readsBytes || !timeFormat.m_readsBytes)
        return std::nullopt;
    Fields f;
    qsizetype pos = 0;
    if (!parse(date, pos, f) || pos != date.size())
        return std::nullopt;
    pos = 0;
    if (!timeFormat.parse(time, pos, f) || pos != time.size())
        return std::nullopt;
    return serialOf(f);
}

std::optional<double> DateTimeFormat::serialOf(Fields f)
{
    if (f.hour12) {
        if (f.hour < 1 || f.hour > 12)
            return std::nullopt;
        f.hour = f.hour % 12 + (f.pm == 1 ? 12 : 0);
    } else if (f.pm == 1 && f.hour < 12) {
        f.hour += 12;
    }
    const QDate date(f.year, f.month, f.day);
    if (f.year < 0 || !date.isValid() || !QTime::isValid(f.hour, f.minute, f.second, f.msec))
        return std::nullopt;
    return dateTimeSerial(date, QTime(f.hour, f.minute, f.second, f.msec));
}

} // namespace tc4dl
