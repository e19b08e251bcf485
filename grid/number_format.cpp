#include "grid/number_format.h"

#include <QLocale>
#include <QStringList>

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace plotwright::grid {
namespace {

bool isDigit(QChar ch)
{
    return ch >= u'0' && ch <= u'9';
}

// Drops leading zeros of the whole part.
void stripLeadingZeros(NumberDigits& d)
{
    qsizetype zeros = 0;
    while (zeros < d.whole.size() && d.whole.at(zeros) == u'0')
        ++zeros;
    d.whole.remove(0, zeros);
}

// The format's own point, and "." wherever "." cannot be a group separator.
bool isPrimaryPoint(QChar ch, const NumberFormat& f)
{
    return ch == f.decimalSeparator || (ch == u'.' && f.groupSeparator != u'.');
}

} // namespace

bool groupBefore(int digitsToTheRight, const NumberFormat& f)
{
    if (f.groupSeparator.isNull() || f.primaryGroup <= 0)
        return false;
    if (digitsToTheRight == f.primaryGroup)
        return true;
    return digitsToTheRight > f.primaryGroup && f.secondaryGroup > 0
           && (digitsToTheRight - f.primaryGroup) % f.secondaryGroup == 0;
}

std::pair<int, int> localeGrouping()
{
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::DefaultNumberOptions);
    const QString separator = locale.groupSeparator();
    if (separator.isEmpty())
        return {3, 3};
    const QStringList groups = locale.toString(Q_INT64_C(1234567890123456)).split(separator);
    if (groups.size() < 2)
        return {3, 3};
    const int primary = static_cast<int>(groups.last().size());
    const int secondary = groups.size() >= 3 ? static_cast<int>(groups.at(groups.size() - 2).size()) : primary;
    if (primary <= 0 || secondary <= 0)
        return {3, 3};
    return {primary, secondary};
}

QChar localeAlternateDecimal(QChar decimal, QChar group)
{
    const QString point = QLocale().decimalPoint();
    if (point.size() != 1)
        return {};
    const QChar ch = point.at(0);
    return ch == decimal || ch == group || isDigit(ch) ? QChar() : ch;
}

QChar numberCharacter(QChar ch)
{
    switch (ch.unicode()) {
    case 0x2212:  // minus sign (Nordic, Baltic, Slovenian, Croatian, Basque locales)
    case 0x2012:  // figure dash
    case 0x2013:  // en dash, what some keyboards give for the minus key
    case 0xFE63:  // small hyphen-minus
    case 0xFF0D:  // fullwidth hyphen-minus
        return u'-';
    case 0x200E:  // left-to-right mark
    case 0x200F:  // right-to-left mark
    case 0x061C:  // Arabic letter mark
    case 0x202A: case 0x202B: case 0x202C: case 0x202D: case 0x202E:  // embeddings
    case 0x2066: case 0x2067: case 0x2068: case 0x2069:                // isolates
        return {};
    default:
        return ch;
    }
}

QString normalizedNumberText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const QChar n = numberCharacter(ch);
        if (!n.isNull())
            out += n;
    }
    return out;
}

bool isDecimalPoint(QChar ch, const NumberFormat& format)
{
    if (ch.isNull() || ch == format.groupSeparator)
        return false;
    return ch == format.decimalSeparator || ch == format.alternateDecimal;
}

NumberDigits parseNumber(const QString& raw, const NumberFormat& format)
{
    NumberDigits d;
    bool decimal = false;
    bool digit = false;
    const QString text = normalizedNumberText(raw);
    NumberFormat f = format;
    if (!f.alternateDecimal.isNull() && text.contains(f.decimalSeparator))
        f.alternateDecimal = QChar();
    for (const QChar ch : text) {
        if (isDigit(ch)) {
            (decimal ? d.fraction : d.whole).append(ch);
            digit = true;
        } else if (!decimal && (isPrimaryPoint(ch, f) || isDecimalPoint(ch, f))) {
            decimal = true;
        } else if (ch == u'-' && !digit && !decimal && format.negativesAllowed) {
            d.negative = true;
        }
    }
    stripLeadingZeros(d);
    const int places = std::max(format.fractionDigits, 0);
    d.fraction.truncate(places);
    d.fraction = d.fraction.leftJustified(places, u'0');
    return d;
}

QString formatNumber(const NumberDigits& d, const NumberFormat& format)
{
    QString text;
    if (d.negative)
        text += u'-';
    const int n = static_cast<int>(d.whole.size());
    if (n == 0 && format.leadingZero)
        text += u'0';
    for (int i = 0; i < n; ++i) {
        if (i > 0 && groupBefore(n - i, format))
            text += format.groupSeparator;
        text += d.whole.at(i);
    }
    if (format.fractionDigits > 0) {
        text += format.decimalSeparator;
        for (int j = 0; j < format.fractionDigits; ++j)
            text += j < d.fraction.size() ? d.fraction.at(j) : u'0';
    }
    return text;
}

NumberDigits digitsOf(double value, const NumberFormat& format)
{
    NumberFormat plain = format;
    plain.decimalSeparator = u'.';
    plain.groupSeparator = QChar();
    plain.alternateDecimal = QChar();
    plain.negativesAllowed = true;
    std::array<char, 400> buffer{};
    const int places = std::clamp(format.fractionDigits, 0, 40);
    const auto [end, ec] = std::isfinite(value)
                               ? std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                               std::chars_format::fixed, places)
                               : std::to_chars_result{buffer.data(), std::errc::value_too_large};
    if (ec != std::errc())
        return parseNumber(QString(), plain);
    NumberDigits d = parseNumber(QString::fromLatin1(buffer.data(), end - buffer.data()), plain);
    if (d.whole.isEmpty() && d.fraction.count(u'0') == d.fraction.size())
        d.negative = false;  // no "-0.00" for a tiny negative value
    return d;
}

double valueOf(const NumberDigits& d)
{
    std::string text = d.whole.isEmpty() ? std::string("0") : d.whole.toStdString();
    if (!d.fraction.isEmpty())
        text += "." + d.fraction.toStdString();
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range)
        value = HUGE_VAL;
    // A sign before nothing but zeros is no sign: -0 would show as "-0" again.
    return d.negative && value != 0 ? -value : value;
}

QString canonicalNumberText(const QString& raw, const NumberFormat& format)
{
    const QString text = normalizedNumberText(raw);
    // With the format's own point present, an alternate decimal is a group separator.
    NumberFormat f = format;
    if (!f.alternateDecimal.isNull() && text.contains(f.decimalSeparator))
        f.alternateDecimal = QChar();

    QString out;
    bool negative = false;
    bool pointKept = false;
    int wholeDigits = 0;
    int fractionDigits = 0;
    for (const QChar c : text) {
        if (c == u'-' && f.negativesAllowed) {
            negative = true;
        } else if (isDigit(c) && !pointKept) {
            if (wholeDigits < f.maxWholeDigits) {
                out += c;
                ++wholeDigits;
            }
        } else if (isDigit(c)) {
            if (fractionDigits >= f.fractionDigits)
                break;
            out += c;
            ++fractionDigits;
        } else if (isDecimalPoint(c, f) && !pointKept) {
            if (f.fractionDigits <= 0)
                break;
            out += f.decimalSeparator;
            pointKept = true;
        }
    }
    if (negative)
        out.prepend(u'-');
    return out;
}

QString formatFixed(double x, bool trim, const NumberFormat& format)
{
    // Six decimals, as printf's "%lf", without consulting the C locale.
    char buffer[512];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, x == 0 ? 0.0 : x, std::chars_format::fixed, 6);
    std::string text(buffer, result.ptr);
    if (trim && text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0')
            text.pop_back();
        if (!text.empty() && text.back() == '.')
            text.pop_back();
    }
    if (text == "-0")
        text = "0";  // a tiny negative value trimmed to nothing
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()));
    for (const char c : text)
        out += c == '.' ? format.decimalSeparator : QChar(c);
    return out;
}

double parseValue(const QString& raw, const NumberFormat& format)
{
    std::string digits;
    bool negative = false;
    bool point = false;
    bool significant = false;  // a non-zero digit before the point
    const QString text = normalizedNumberText(raw);
    NumberFormat f = format;
    if (!f.alternateDecimal.isNull() && text.contains(f.decimalSeparator))
        f.alternateDecimal = QChar();
    for (const QChar c : text) {
        if (isDigit(c)) {
            digits += static_cast<char>(c.unicode());
            significant = significant || (!point && c != u'0');
        } else if (isDecimalPoint(c, f) && !point) {
            digits += '.';
            point = true;
        } else if (c == u'-') {
            negative = true;
        }
    }
    double value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        value = significant ? std::numeric_limits<double>::infinity() : 0.0;
    else if (result.ec != std::errc())
        value = 0;
    return negative && value != 0 ? -value : value;
}

QString rangeMessage(double lower, double upper, const NumberFormat& format)
{
    const double most = std::numeric_limits<double>::max();
    const bool hasLower = std::isfinite(lower) && lower > -most;
    const bool hasUpper = std::isfinite(upper) && upper < most;
    if (hasLower && hasUpper)
        return QStringLiteral("Please specify a numeric value between ") + formatFixed(lower, true, format)
            + QStringLiteral(" and ") + formatFixed(upper, true, format) + u'.';
    if (hasLower)
        return QStringLiteral("Please specify a numeric value greater than or equal to ")
            + formatFixed(lower, true, format) + u'.';
    if (hasUpper)
        return QStringLiteral("Please specify a numeric value less than or equal to ")
            + formatFixed(upper, true, format) + u'.';
    return QStringLiteral("Please specify a valid numeric value.");
}

} // namespace plotwright::grid
